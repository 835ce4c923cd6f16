#include "tests/wine/picture24/test_pictures.h"

#include <cstring>
#include <stdexcept>

namespace korvix::test {
namespace {

int palette_size(int bpp) { return bpp <= 8 ? 1 << bpp : 0; }

Bgr palette_entry(int index) {
    // Distinct, asymmetric channels so a swapped R/B or a wrong index shows.
    return Bgr{uint8_t(index * 7 + 3), uint8_t(255 - index * 5), uint8_t(index * 13 + 1)};
}

int palette_index(int bpp, int x, int y) { return (x + 3 * y) % palette_size(bpp); }

// 5-bit channel values of the 16 bpp pattern.
int channel5(int x, int y, int salt) { return (x * 7 + y * 3 + salt) & 31; }

void store_pixel(uint8_t* row, int bpp, int x, int y) {
    switch (bpp) {
    case 1: case 4: case 8: {
        const int index = palette_index(bpp, x, y);
        const int bit = x * bpp;
        const int shift = 8 - bpp - (bit % 8);
        row[bit / 8] = uint8_t(row[bit / 8] | (index << shift));
        break;
    }
    case 16: {
        const uint16_t v = uint16_t((channel5(x, y, 9) << 10) | (channel5(x, y, 5) << 5) | channel5(x, y, 1));
        std::memcpy(row + 2 * x, &v, 2);
        break;
    }
    case 24: case 32: {
        const Bgr c = pattern_colour(bpp, x, y);
        uint8_t* p = row + x * (bpp / 8);
        p[0] = c.b; p[1] = c.g; p[2] = c.r;
        if (bpp == 32) p[3] = 0xA5;  // the X byte must be ignored
        break;
    }
    default:
        throw std::invalid_argument("unsupported depth");
    }
}

}  // namespace

Bgr pattern_colour(int bpp, int x, int y) {
    if (bpp <= 8) return palette_entry(palette_index(bpp, x, y));
    if (bpp == 16) {
        // The platform widens 5 bits by replicating the top bits.
        auto widen = [](int v) { return uint8_t((v << 3) | (v >> 2)); };
        return Bgr{widen(channel5(x, y, 1)), widen(channel5(x, y, 5)), widen(channel5(x, y, 9))};
    }
    return Bgr{uint8_t(x * 37 + y * 11), uint8_t(x * 5 + y * 53 + 17), uint8_t((x * 91) ^ (y * 7))};
}

unique_hbitmap make_pattern_dib(int width, int height, int bpp, bool top_down) {
    const int colours = palette_size(bpp);
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * size_t(colours));
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = top_down ? -height : height;
    header->biPlanes = 1;
    header->biBitCount = WORD(bpp);
    header->biCompression = BI_RGB;
    header->biClrUsed = DWORD(colours);
    auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < colours; ++i) {
        const Bgr c = palette_entry(i);
        table[i] = RGBQUAD{c.b, c.g, c.r, 0};
    }
    void* bits = nullptr;
    unique_hbitmap dib(::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) throw std::runtime_error("CreateDIBSection failed");
    const size_t stride = ((size_t(width) * size_t(bpp) + 31) / 32) * 4;
    std::memset(bits, 0, stride * size_t(height));
    for (int y = 0; y < height; ++y) {
        // Memory row of image row y depends on the direction.
        const int memory_row = top_down ? y : height - 1 - y;
        uint8_t* row = static_cast<uint8_t*>(bits) + stride * size_t(memory_row);
        for (int x = 0; x < width; ++x) store_pixel(row, bpp, x, y);
    }
    ::GdiFlush();
    return dib;
}

unique_hbitmap make_pattern_ddb(int width, int height) {
    window_dc screen(nullptr);
    unique_hbitmap ddb(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!ddb) throw std::runtime_error("CreateCompatibleBitmap failed");
    const size_t stride = ((size_t(width) * 3 + 3) / 4) * 4;
    std::vector<uint8_t> rows(stride * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) store_pixel(rows.data() + stride * size_t(y), 24, x, y);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    if (::SetDIBits(screen.get(), ddb.get(), 0, UINT(height), rows.data(), &info, DIB_RGB_COLORS) != height)
        throw std::runtime_error("SetDIBits failed");
    return ddb;
}

unique_hbitmap make_checker_mono_ddb(int width, int height) {
    const size_t stride = ((size_t(width) + 15) / 16) * 2;  // monochrome DDB rows are WORD aligned
    std::vector<uint8_t> rows(stride * size_t(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((x + y) % 2 == 0) rows[stride * size_t(y) + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    unique_hbitmap mono(::CreateBitmap(width, height, 1, 1, rows.data()));
    if (!mono) throw std::runtime_error("CreateBitmap failed");
    return mono;
}

com_ptr<IPictureDisp> wrap_bitmap(HBITMAP bitmap, bool own) {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    com_ptr<IPictureDisp> picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, own, picture.put_void())))
        throw std::runtime_error("OleCreatePictureIndirect failed");
    return picture;
}

com_ptr<IPictureDisp> make_empty_picture() {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_NONE;
    com_ptr<IPictureDisp> picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void())))
        throw std::runtime_error("OleCreatePictureIndirect failed");
    return picture;
}

com_ptr<IPictureDisp> make_icon_picture() {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = ::CopyIcon(::LoadIcon(nullptr, IDI_APPLICATION));
    if (!desc.icon.hicon) throw std::runtime_error("no icon");
    com_ptr<IPictureDisp> picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void()))) {
        ::DestroyIcon(desc.icon.hicon);
        throw std::runtime_error("OleCreatePictureIndirect failed");
    }
    return picture;
}

HBITMAP picture_handle(IPictureDisp* picture) {
    if (!picture) return nullptr;
    com_ptr<IPicture> pic;
    if (FAILED(picture->QueryInterface(IID_IPicture, pic.put_void()))) return nullptr;
    OLE_HANDLE handle = 0;
    if (FAILED(pic->get_Handle(&handle))) return nullptr;
    return reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}

Pixels24 read_bitmap24(HBITMAP bitmap) {
    Pixels24 out;
    BITMAP bm{};
    if (::GetObjectW(bitmap, sizeof(bm), &bm) != sizeof(bm)) return out;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    const size_t stride = ((size_t(bm.bmWidth) * 3 + 3) / 4) * 4;
    std::vector<uint8_t> rows(stride * size_t(bm.bmHeight));
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    if (::GetDIBits(dc.get(), bitmap, 0, UINT(bm.bmHeight), rows.data(), &info, DIB_RGB_COLORS) != bm.bmHeight)
        return out;
    out.width = bm.bmWidth;
    out.height = bm.bmHeight;
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const uint8_t* p = rows.data() + stride * size_t(y) + size_t(x) * 3;
            out.pixels[size_t(y) * size_t(out.width) + size_t(x)] = Bgr{p[0], p[1], p[2]};
        }
    return out;
}

}  // namespace korvix::test
