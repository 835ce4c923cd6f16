// GIF: the header, the logical screen, and the first frame, which is all
// the loader shows. That frame must lie inside the logical screen, and its
// LZW data must decode to at least width x height pixels: a decoder that
// runs out of data part way keeps the frame's buffer. The loader hands the
// decoder the file only up to the end of the first frame, with a trailer,
// so later frames are never decoded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/checks/image_check.h"

namespace korvix {

FileRefusal check_gif(const std::uint8_t* data, std::size_t size, ImageCheck& image);

// One frame's image data: the LZW minimum code size byte has been read,
// data[at..size) holds the sub-blocks. Counts the pixels the codes decode
// to, up to `wanted`.
struct LzwCount {
    std::uint64_t pixels = 0;
    bool valid = true;        // no code a decoder refuses came before `wanted` pixels
    bool terminated = false;  // the sub-blocks end with their zero-length block inside the data
    std::size_t end = 0;      // just past that block (or the end of the data)
};
LzwCount count_lzw_pixels(const std::uint8_t* data, std::size_t size, std::size_t at, unsigned min_code_size,
                          std::uint64_t wanted);

}  // namespace korvix
