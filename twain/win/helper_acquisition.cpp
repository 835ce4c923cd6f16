#include "twain/win/helper_acquisition.h"

#include "twain/dib_layout.h"
#include "twain/win/busy_scope.h"

namespace korvix::twain {

namespace {

using End = HelperCallResult::End;

std::uint32_t status_of(const HelperCallResult& r) noexcept {
    return r.end == End::finished && r.status == bridge::CallStatus::done ? 0 : 1;
}

}  // namespace

HelperCallResult HelperAcquisition::call(const bridge::Message& request, HWND owner) {
    const BusyScope busy(busy_);
    HelperCallResult r = call_helper(program_, request, owner, limits_);
    reach_ = r.end == End::no_helper ? Reach::no_helper
             : r.end == End::finished && r.status == bridge::CallStatus::no_source_manager ? Reach::no_source_manager
                                                                                            : Reach::reached;
    source_ = r.end == End::finished ? r.source : std::string();
    // The host quit while the helper worked: its loop gets the quit again.
    if (r.end == End::quit) ::PostQuitMessage(r.quit_code);
    return r;
}

AcquireResult HelperAcquisition::acquire(com_ptr<IPictureDisp>& picture, const ScanSettings& settings, HWND owner) {
    AcquireResult result;
    if (busy_) return result;
    const bridge::ScanRequest request{settings.resolution, settings.color_type, settings.show_progress,
                                      settings.show_interface, wire_window(owner), preferred_};
    HelperCallResult r = call(request, owner);
    result.status = status_of(r);
    if (!r.picture) return result;
    picture = std::move(r.picture);
    result.replaced = true;
    const double sent = r.page.resolution_sent;
    const double x = dpi_from_pels_per_meter(r.page.x_pels_per_meter), y = dpi_from_pels_per_meter(r.page.y_pels_per_meter);
    result.dpi_x = x > 0 ? x : sent;
    result.dpi_y = y > 0 ? y : sent;
    return result;
}

std::uint32_t HelperAcquisition::choose_source(HWND owner) {
    if (busy_) return 1;
    return status_of(call(bridge::ChooseRequest{wire_window(owner)}, owner));
}

std::vector<std::string> HelperAcquisition::list_sources() {
    if (busy_) return {};
    HelperCallResult r = call(bridge::ListRequest{}, nullptr);
    return r.end == End::finished ? std::move(r.sources) : std::vector<std::string>{};
}

}  // namespace korvix::twain
