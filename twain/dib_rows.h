// The pixels of a checked DIB (see dib_layout.h) as a new bitmap holds them:
// rows bottom-up, each padded to 4 bytes; 1/4/8-bit pixels stay indices into
// the DIB's colour table, 24-bit ones stay as they are, 16/32-bit ones
// (masked or not) become 24-bit BGR, each channel scaled to 0...255 and
// rounded. One pass over the pixels: a bottom-up DIB that needs no
// conversion is one copy of its rows.
//
// Kept apart from any platform, so every caller that holds a DIB's bytes
// (a native transfer, a block shared by another process) converts it alike.
#pragma once

#include <cstdint>

#include "twain/dib_layout.h"

namespace korvix::twain {

// rows: the first row in memory of a DIB that check_dib() accepted as layout
// (dib + layout.pixel_offset, or wherever a caller keeps the rows apart from
// the header); out: room for layout.out_image_bytes. Padding bytes of
// converted rows are zero.
void copy_dib_rows(const std::uint8_t* rows, const DibLayout& layout, std::uint8_t* out) noexcept;

}  // namespace korvix::twain
