#include "twain/win/dib_to_picture.h"

#include "twain/dib_layout.h"
#include "twain/win/dib_section_picture.h"
#include "twain/win/image_handle.h"

namespace korvix::twain {

TW_UINT32 DibToPicture::take(TW_HANDLE& image, GlobalMemory& memory) noexcept {
    replaced_ = false;
    dpi_x_ = dpi_y_ = 0;
    const std::int32_t sent = pels_per_meter_from_dpi(driver_.resolution_sent());
    const PelsPerMeter fallback{sent, sent};
    PelsPerMeter stated;
    com_ptr<IPictureDisp> made;
    if (is_bitmap(image)) {
        made = picture_from_bitmap(static_cast<HBITMAP>(image), fallback, stated);
    } else {
        const LockedBlock locked(memory, image);
        if (!locked.get()) return 1;
        const auto* bytes = static_cast<const std::uint8_t*>(locked.get());
        const DibCheck check = check_dib(bytes, memory.size(image));
        if (!check) return 1;
        stated = {check.layout.x_pels_per_meter, check.layout.y_pels_per_meter};
        made = picture_from_dib(bytes, check.layout, fallback);
    }
    if (!made) return 1;
    release(image, memory);  // the picture holds its own copy
    picture_ = std::move(made);
    replaced_ = true;
    dpi_x_ = dpi_from_pels_per_meter(stated.x);
    dpi_y_ = dpi_from_pels_per_meter(stated.y);
    return 0;
}

void DibToPicture::release(TW_HANDLE& image, GlobalMemory& memory) noexcept { release_image(image, memory); }

}  // namespace korvix::twain
