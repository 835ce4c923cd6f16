#include "codecs/bitmap_rows.h"

#include <cstring>

namespace korvix {

BitmapRows::BitmapRows(HBITMAP bitmap) : bitmap_(bitmap) {
    BITMAP info{};
    if (bitmap && ::GetObjectType(bitmap) == OBJ_BITMAP && ::GetObjectW(bitmap, sizeof info, &info)) {
        width_ = info.bmWidth;
        height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    }
}

bool BitmapRows::read_rows(int32_t first, int32_t count, uint8_t* out, size_t out_stride) {
    if (first < 0 || count <= 0 || first > height_ - count || width_ <= 0) return false;
    if (!dc_) dc_.reset(::CreateCompatibleDC(nullptr));
    if (!dc_) return false;
    // Bottom-up rows for GDI: scan line 0 is the picture's last row.
    const size_t dib_stride = (size_t(width_) * 3 + 3) & ~size_t(3);
    band_.resize(dib_stride * size_t(count));
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width_;
    header.bmiHeader.biHeight = height_;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 24;
    header.bmiHeader.biCompression = BI_RGB;
    const UINT start = static_cast<UINT>(height_ - first - count);
    if (::GetDIBits(dc_.get(), bitmap_, start, static_cast<UINT>(count), band_.data(), &header, DIB_RGB_COLORS) !=
        count)
        return false;
    const size_t row_bytes = size_t(width_) * 3;
    for (int32_t i = 0; i < count; ++i)
        std::memcpy(out + size_t(i) * out_stride, band_.data() + size_t(count - 1 - i) * dib_stride, row_bytes);
    return true;
}

}  // namespace korvix
