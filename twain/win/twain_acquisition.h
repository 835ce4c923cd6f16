// The control's cTwain under Windows, in the control's own process: the
// driver on the source manager, global memory, the GetMessageA loop and the
// hidden message window, with the transferred image turned into a picture
// in memory.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "twain/twain_driver.h"
#include "twain/win/acquisition.h"
#include "twain/win/dsm_library.h"
#include "twain/win/win_platform.h"

namespace korvix::twain {

class TwainAcquisition final : public Acquisition {
public:
    // dsm: another entry to the DSM (a benchmark's timing wrapper); the
    // library's own when null. It must outlive this object. The 64-bit
    // control speaks TWAIN 2 to TWAINDSM.DLL, or failing that TWAIN_32.DLL.
    explicit TwainAcquisition(DsmEntry* dsm = nullptr,
                              TwainDriver::Protocol protocol = TwainDriver::Protocol::twain1) noexcept;
    TwainAcquisition(const TwainAcquisition&) = delete;
    TwainAcquisition& operator=(const TwainAcquisition&) = delete;

    // Throws hresult_error when the source manager cannot be bound.
    AcquireResult acquire(com_ptr<IPictureDisp>& picture, const ScanSettings& settings, HWND owner = nullptr) override;
    std::uint32_t choose_source(HWND owner = nullptr) override;
    bool busy() const noexcept override { return driver_.busy(); }

    // The source to open by name (empty: the manager's default), the one
    // the last call opened or chose, and the names the manager lists.
    void set_preferred_source(const std::string& name) { driver_.set_preferred_source(name); }
    const std::string& source_name() const noexcept { return driver_.source_name(); }
    // Empty when the manager cannot be bound or lists nothing.
    std::vector<std::string> list_sources() noexcept;
    // Whether the source manager can be bound.
    bool available() noexcept { return library_.available(); }

private:
    DsmLibrary library_;
    WinGlobalMemory memory_;
    WinMessagePump pump_;
    WinMessageWindows windows_;
    TwainDriver driver_;
};

}  // namespace korvix::twain
