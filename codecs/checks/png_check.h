// PNG: the header chunk (IHDR) and how much compressed image data follows.
// Width and height are 1 to 2^31 - 1, depth and colour type a valid pair.
// Deflate turns one byte into at most 1,032 (two bits per 258-byte match),
// so the IDAT chunks together must hold at least 1/1,032 of the filtered
// rows the header claims (a filter byte and width x bits per pixel, rounded
// up to bytes, per row; each of the seven passes counted apart when
// interlaced). A file that cannot hold its rows is refused before a decoder
// allocates them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/checks/image_check.h"

namespace korvix {

constexpr std::uint64_t kDeflateMaxRatio = 1032;

FileRefusal check_png(const std::uint8_t* data, std::size_t size, ImageCheck& image);

}  // namespace korvix
