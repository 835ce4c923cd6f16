#include "twain/win/twain_acquisition.h"

#include "twain/win/dib_to_picture.h"

namespace korvix::twain {

TwainAcquisition::TwainAcquisition(DsmEntry* dsm) noexcept
    : driver_(dsm ? *dsm : library_, memory_, pump_, windows_) {}

AcquireResult TwainAcquisition::acquire(com_ptr<IPictureDisp>& picture, std::int16_t resolution,
                                        std::int32_t color_type, bool show_progress, bool show_interface) {
    DibToPicture sink(picture, driver_);
    AcquireResult result;
    result.status = driver_.acquire(sink, resolution, color_type, show_progress, show_interface);
    result.replaced = sink.replaced();
    if (result.replaced) {
        const double fallback = driver_.resolution_sent();
        result.dpi_x = sink.dpi_x() > 0 ? sink.dpi_x() : fallback;
        result.dpi_y = sink.dpi_y() > 0 ? sink.dpi_y() : fallback;
    }
    return result;
}

std::uint32_t TwainAcquisition::choose_source() { return driver_.choose_source(); }

}  // namespace korvix::twain
