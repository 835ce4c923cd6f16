#include "twain/win/twain_acquisition.h"

#include "twain/win/dib_to_picture.h"

namespace korvix::twain {

TwainAcquisition::TwainAcquisition(DsmEntry* dsm, TwainDriver::Protocol protocol) noexcept
    : library_(protocol == TwainDriver::Protocol::twain2 ? DsmLibrary::Names::twaindsm_then_twain_32
                                                          : DsmLibrary::Names::twain_32),
      driver_(dsm ? *dsm : library_, memory_, pump_, windows_, protocol) {}

AcquireResult TwainAcquisition::acquire(com_ptr<IPictureDisp>& picture, const ScanSettings& settings, HWND) {
    DibToPicture sink(picture, driver_);
    AcquireResult result;
    result.status = driver_.acquire(sink, settings.resolution, settings.color_type, settings.show_progress,
                                    settings.show_interface);
    result.replaced = sink.replaced();
    if (result.replaced) {
        const double fallback = driver_.resolution_sent();
        result.dpi_x = sink.dpi_x() > 0 ? sink.dpi_x() : fallback;
        result.dpi_y = sink.dpi_y() > 0 ? sink.dpi_y() : fallback;
    }
    return result;
}

std::uint32_t TwainAcquisition::choose_source(HWND) { return driver_.choose_source(); }

std::vector<std::string> TwainAcquisition::list_sources() noexcept {
    std::vector<std::string> names;
    try {
        if (library_.available()) driver_.list_sources(names);
    } catch (...) {
        names.clear();
    }
    return names;
}

}  // namespace korvix::twain
