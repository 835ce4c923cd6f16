// BMP: the file header and the bitmap header (the 12-byte core form or any
// longer one). Width positive, height not 0 (negative is a top-down
// bitmap), the pixel data's offset behind the headers and inside the file,
// and uncompressed rows (bytes per row x rows, without overflow and within
// 32 bits) wholly inside the file. Run-length data has no size of its own;
// its picture is bounded by the picture limits alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/checks/image_check.h"

namespace korvix {

FileRefusal check_bmp(const std::uint8_t* data, std::size_t size, ImageCheck& image);

}  // namespace korvix
