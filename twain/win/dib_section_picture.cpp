#include "twain/win/dib_section_picture.h"

#include <cstring>

#include "twain/dib_rows.h"

namespace korvix::twain {

namespace {

struct Section {
    unique_hbitmap bitmap;
    std::uint8_t* bits = nullptr;
};

// A bottom-up DIB section with the given colour table (1/4/8 bits) and
// resolution; empty on failure.
Section new_section(std::int32_t width, std::int32_t height, WORD bit_count, const std::uint8_t* palette,
                    std::uint32_t entries, std::size_t image_bytes, PelsPerMeter ppm) noexcept {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = bit_count;
    info.header.biCompression = BI_RGB;
    info.header.biSizeImage = static_cast<DWORD>(image_bytes);
    info.header.biXPelsPerMeter = ppm.x;
    info.header.biYPelsPerMeter = ppm.y;
    info.header.biClrUsed = entries;
    if (entries > 256) return {};
    if (entries) std::memcpy(info.colours, palette, 4u * entries);
    for (std::uint32_t i = 0; i < entries; ++i) info.colours[i].rgbReserved = 0;
    Section s;
    void* bits = nullptr;
    s.bitmap.reset(::CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                      nullptr, 0));
    s.bits = static_cast<std::uint8_t*>(bits);
    if (!s.bits) s.bitmap.reset();
    return s;
}

std::int32_t either(std::int32_t stated, std::int32_t fallback) noexcept { return stated > 0 ? stated : fallback; }

}  // namespace

com_ptr<IPictureDisp> owning_picture(unique_hbitmap bitmap) noexcept {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap.get();
    com_ptr<IPictureDisp> picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void()))) return {};
    bitmap.release();
    return picture;
}

com_ptr<IPictureDisp> picture_from_dib(const std::uint8_t* dib, const DibLayout& l, PelsPerMeter fallback) noexcept {
    const PelsPerMeter ppm{either(l.x_pels_per_meter, fallback.x), either(l.y_pels_per_meter, fallback.y)};
    Section section = new_section(l.width, l.height, l.out_bit_count, dib + l.palette_offset, l.palette_entries,
                                  l.out_image_bytes, ppm);
    if (!section.bitmap) return {};
    copy_dib_rows(dib + l.pixel_offset, l, section.bits);
    return owning_picture(std::move(section.bitmap));
}

com_ptr<IPictureDisp> picture_from_bitmap(HBITMAP bitmap, PelsPerMeter fallback, PelsPerMeter& stated) noexcept {
    stated = {};
    DIBSECTION described{};
    const int got = ::GetObjectW(bitmap, sizeof described, &described);
    if (got < static_cast<int>(sizeof(BITMAP))) return {};
    if (got == static_cast<int>(sizeof described))
        stated = {described.dsBmih.biXPelsPerMeter, described.dsBmih.biYPelsPerMeter};
    const std::int32_t width = described.dsBm.bmWidth, height = described.dsBm.bmHeight;
    const std::uint64_t row = (static_cast<std::uint64_t>(width) * 24 + 31) / 32 * 4;
    if (width <= 0 || height <= 0 || row * static_cast<std::uint64_t>(height) > 0xFFFFFFFFu) return {};
    const std::size_t image_bytes = static_cast<std::size_t>(row * static_cast<std::uint64_t>(height));
    Section section = new_section(width, height, 24, nullptr, 0, image_bytes,
                                  {either(stated.x, fallback.x), either(stated.y, fallback.y)});
    if (!section.bitmap) return {};
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    const unique_hdc dc(::CreateCompatibleDC(nullptr));
    if (!dc || ::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(height), section.bits, &format, DIB_RGB_COLORS) !=
                   height)
        return {};
    return owning_picture(std::move(section.bitmap));
}

}  // namespace korvix::twain
