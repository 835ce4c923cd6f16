// The control's way to a scanner, whatever process the source runs in: the
// seam between the control's Scan and SelectSource and the TWAIN side, at
// the level of whole operations. The 32-bit control scans in its own
// process (TwainAcquisition); the 64-bit one also reaches 32-bit sources
// through its helper process (see make_acquisition).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/win/unique_resource.h"

namespace korvix::twain {

struct ScanSettings {
    std::int16_t resolution = 75;
    std::int32_t color_type = 0;  // sent to the source as its pixel type
    bool show_progress = false;
    bool show_interface = false;
};

struct AcquireResult {
    std::uint32_t status = 1;  // 0 done, 1 failed (the control does not look at it)
    bool replaced = false;     // picture holds a new image
    double dpi_x = 0, dpi_y = 0;  // its resolution: as the image stated it, else as set on the source, else 0
};

class Acquisition {
public:
    virtual ~Acquisition() = default;
    // Replaces picture only when a page was acquired. owner: the host's
    // top-level window, or null. Throws hresult_error when no source
    // manager can be reached at all.
    virtual AcquireResult acquire(com_ptr<IPictureDisp>& picture, const ScanSettings& settings, HWND owner) = 0;
    virtual std::uint32_t choose_source(HWND owner) = 0;
    // True while a call runs (its message loop may call the control again).
    virtual bool busy() const noexcept = 0;
};

// The acquisition of this module's bitness. module_folder: where the module
// lies, and with it the 64-bit module's helper.
std::unique_ptr<Acquisition> make_acquisition(const std::wstring& module_folder);

}  // namespace korvix::twain
