#include "picture24/win/dib_header.h"

#include "picture24/picture24.h"

namespace korvix {

BITMAPINFO dib_header24(std::int32_t width, std::int32_t height) {
    const std::size_t size = Picture24::checked_size(width, height);
    BITMAPINFO info{};
    BITMAPINFOHEADER& h = info.bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(size);
    return info;
}

}  // namespace korvix
