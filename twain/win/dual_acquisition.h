// The 64-bit control's way to sources of both bitnesses: 64-bit ones in its
// own process, speaking TWAIN 2 to the 64-bit source manager, and 32-bit
// ones through its helper process.
//
// Which side a Scan uses:
// - the one the user chose in SelectSource, remembered per user, with the
//   source chosen there opened by name;
// - otherwise the 64-bit side when its source manager loads and lists a
//   source, else the 32-bit side through the helper.
// SelectSource offers one list of both sides' sources (its own chooser)
// when both have some; when only one side has sources, that side's own
// chooser; either way the choice is remembered for the next Scan.
#pragma once

#include <string>
#include <vector>

#include "twain/win/acquisition.h"
#include "twain/win/helper_acquisition.h"
#include "twain/win/source_choice.h"
#include "twain/win/twain_acquisition.h"

namespace korvix::twain {

class DualAcquisition final : public Acquisition {
public:
    // helper_program: the helper's full path.
    explicit DualAcquisition(std::wstring helper_program, HelperLimits limits = {});

    // Throws hresult_error when neither side's source manager can be reached.
    AcquireResult acquire(com_ptr<IPictureDisp>& picture, const ScanSettings& settings, HWND owner) override;
    std::uint32_t choose_source(HWND owner) override;
    bool busy() const noexcept override { return busy_ || native_.busy() || helper_.busy(); }

private:
    SourceChoice::Side side_for_scan(std::string& name);
    [[noreturn]] void throw_unreachable() const;

    TwainAcquisition native_;
    HelperAcquisition helper_;
    bool busy_ = false;
};

}  // namespace korvix::twain
