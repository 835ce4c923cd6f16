// How every conversion describes the picture's rows to GDI: one 24-bit
// BI_RGB header with a negative height (top-down rows), no colour table.
#pragma once

#include <windows.h>

#include <cstdint>

namespace korvix {

// Throws picture24_error (invalid_size / too_large) for sizes the picture
// cannot hold, so biSizeImage is always exact.
BITMAPINFO dib_header24(std::int32_t width, std::int32_t height);

}  // namespace korvix
