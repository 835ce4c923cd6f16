#include "twain/win/dib_to_picture.h"

#include "twain/dib_layout.h"
#include "twain/win/dib_section_picture.h"

namespace korvix::twain {

namespace {

// A GDI bitmap, not a global block. Asked first: GlobalLock on a bitmap
// handle is not defined.
bool is_bitmap(TW_HANDLE image) noexcept { return ::GetObjectType(static_cast<HGDIOBJ>(image)) == OBJ_BITMAP; }

}  // namespace

TW_UINT32 DibToPicture::take(TW_HANDLE& image) noexcept {
    replaced_ = false;
    dpi_x_ = dpi_y_ = 0;
    const std::int32_t sent = pels_per_meter_from_dpi(driver_.resolution_sent());
    const PelsPerMeter fallback{sent, sent};
    PelsPerMeter stated;
    com_ptr<IPictureDisp> made;
    if (is_bitmap(image)) {
        made = picture_from_bitmap(static_cast<HBITMAP>(image), fallback, stated);
    } else {
        const auto block = static_cast<HGLOBAL>(image);
        const global_lock locked(block);
        if (!locked.get()) return 1;
        const auto* bytes = static_cast<const std::uint8_t*>(locked.get());
        const DibCheck check = check_dib(bytes, ::GlobalSize(block));
        if (!check) return 1;
        stated = {check.layout.x_pels_per_meter, check.layout.y_pels_per_meter};
        made = picture_from_dib(bytes, check.layout, fallback);
    }
    if (!made) return 1;
    release(image);  // the picture holds its own copy
    picture_ = std::move(made);
    replaced_ = true;
    dpi_x_ = dpi_from_pels_per_meter(stated.x);
    dpi_y_ = dpi_from_pels_per_meter(stated.y);
    return 0;
}

void DibToPicture::release(TW_HANDLE& image) noexcept {
    if (!image) return;
    if (is_bitmap(image))
        ::DeleteObject(static_cast<HGDIOBJ>(image));
    else
        ::GlobalFree(static_cast<HGLOBAL>(image));
    image = nullptr;
}

}  // namespace korvix::twain
