// Writes a checked DIB (see dib_layout.h) as a BMP file that every picture
// loader reads: a 40-byte header, the colour table of 1/4/8-bit pictures,
// rows bottom-up; 16/32-bit pixels become 24-bit BGR. Rows that need no
// change go to the sink straight from the DIB's own memory: nothing but one
// row is ever copied.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_sink.h"
#include "twain/dib_layout.h"

namespace korvix::twain {

using korvix::ByteSink;

// dib: the whole DIB that check_dib() accepted as layout. Returns false when
// the sink refuses a write or the row buffer cannot be allocated.
bool write_bmp(const std::uint8_t* dib, const DibLayout& layout, ByteSink& out) noexcept;

}  // namespace korvix::twain
