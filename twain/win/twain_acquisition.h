// The control's cTwain under Windows: the driver on TWAIN_32.DLL, global
// memory, the GetMessageA loop and the hidden message window, with the
// transferred image turned into a picture in memory.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>

#include "common/win/unique_resource.h"
#include "twain/twain_driver.h"
#include "twain/win/dsm_library.h"
#include "twain/win/win_platform.h"

namespace korvix::twain {

struct AcquireResult {
    std::uint32_t status = 1;  // 0 done, 1 failed (the control does not look at it)
    bool replaced = false;     // picture holds a new image
    double dpi_x = 0, dpi_y = 0;  // its resolution: as the DIB stated it, else as set on the source, else 0
};

class TwainAcquisition {
public:
    // dsm: another entry to the DSM (a benchmark's timing wrapper); the
    // library's own when null. It must outlive this object.
    explicit TwainAcquisition(DsmEntry* dsm = nullptr) noexcept;
    TwainAcquisition(const TwainAcquisition&) = delete;
    TwainAcquisition& operator=(const TwainAcquisition&) = delete;

    // Throws hresult_error when TWAIN_32.DLL cannot be bound.
    AcquireResult acquire(com_ptr<IPictureDisp>& picture, std::int16_t resolution, std::int32_t color_type,
                          bool show_progress, bool show_interface);
    std::uint32_t choose_source();
    // True while acquire() or choose_source() runs (their nested message
    // loop may call back into the control).
    bool busy() const noexcept { return driver_.busy(); }

private:
    DsmLibrary library_;
    WinGlobalMemory memory_;
    WinMessagePump pump_;
    WinMessageWindows windows_;
    TwainDriver driver_;
};

}  // namespace korvix::twain
