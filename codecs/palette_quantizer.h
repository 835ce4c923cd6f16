// Turns a 24-bit picture into 8-bit palette indices for formats that hold at
// most 256 colours (GIF). A picture with at most 256 distinct colours keeps
// every colour exactly. Others get a median-cut palette: the colour cube
// (5 bits a channel) is split at the pixel-count median of the fullest box's
// longest side until there are 256 boxes, and each box's colour is the mean
// of the pixels in it. No dithering: each pixel takes its box's colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/image_rows.h"

namespace korvix {

struct PalettePicture {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> palette;  // 0x00RRGGBB, 1 to 256 entries
    std::vector<uint8_t> indices;   // top row first, rows stride bytes apart
    size_t stride = 0;              // width rounded up to a multiple of 4
    bool exact = false;             // every pixel kept its own colour
};

enum class QuantizeResult { done, invalid_size, too_large, read_failed };

// Reads the rows twice: once to collect the colours, once to map them.
QuantizeResult quantize_to_palette(BgrRowSource& rows, PalettePicture& out);

}  // namespace korvix
