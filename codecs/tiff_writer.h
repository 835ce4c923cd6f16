// A baseline TIFF writer for 24-bit colour pictures: little-endian, RGB,
// 8 bits per sample, uncompressed, in strips of about 64 KiB, with the
// picture's resolution in dots per inch. Everything before the pixels is
// laid out first, so the file is written front to back in one pass and only
// one strip of the picture is held at a time: a picture of any size is
// written with a few tens of kilobytes of working memory.
#pragma once

#include <cstdint>

#include "codecs/image_rows.h"

namespace korvix {

enum class TiffResult { written, invalid_size, too_large, read_failed, write_failed };

// rows gives the pixels, top row first; dpi 0 is written as 96.
TiffResult write_tiff(BgrRowSource& rows, ImageResolution dpi, ByteSink& sink);

}  // namespace korvix
