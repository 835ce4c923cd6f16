// 32-bit sources for the 64-bit control, through its helper process
// (korvix_twain32.exe, next to the module). Each call starts a helper of
// its own, which ends with the call: no state outlives a call, and a helper
// that misbehaved never serves a second one. Scan and SelectSource behave as
// in the 32-bit module: the same settings reach the source, the picture is
// replaced only by a page that arrived whole, and any failure of the helper
// (it could not start, died, hung, broke the protocol) is a failed call
// with the picture unchanged.
#pragma once

#include <string>
#include <vector>

#include "twain/win/acquisition.h"
#include "twain/win/helper_call.h"

namespace korvix::twain {

class HelperAcquisition final : public Acquisition {
public:
    explicit HelperAcquisition(std::wstring program, HelperLimits limits = {}) noexcept
        : program_(std::move(program)), limits_(limits) {}

    AcquireResult acquire(com_ptr<IPictureDisp>& picture, const ScanSettings& settings, HWND owner) override;
    std::uint32_t choose_source(HWND owner) override;
    bool busy() const noexcept override { return busy_; }

    void set_preferred_source(const std::string& name) { preferred_ = name; }
    const std::string& source_name() const noexcept { return source_; }
    // The names the helper's source manager lists; empty when it lists none
    // or cannot be reached.
    std::vector<std::string> list_sources();

    // Of the last call: the helper ran and its source manager loaded.
    enum class Reach { reached, no_helper, no_source_manager };
    Reach reach() const noexcept { return reach_; }

private:
    HelperCallResult call(const bridge::Message& request, HWND owner);

    std::wstring program_;
    HelperLimits limits_;
    std::string preferred_, source_;
    bool busy_ = false;
    Reach reach_ = Reach::reached;
};

}  // namespace korvix::twain
