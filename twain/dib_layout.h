// What a transferred DIB really holds, decided before anything past its
// header is read: check_dib() takes the bytes of a locked global block and
// the block's size (GlobalSize) and returns either a layout whose every
// offset lies inside the block, or the reason it was refused. Pure: no
// allocation, no platform calls, safe on any input (a fuzz target runs it).
//
// Accepted: a BITMAPINFOHEADER of 40 bytes or a larger one (V2 to V5, or any
// header of 40 bytes and more whose first 40 bytes follow the DIB layout),
// bottom-up or top-down, 1/4/8 bits with a colour table, 16/24/32 bits
// uncompressed (BI_RGB) or 16/32 bits with BI_BITFIELDS masks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvix::twain {

enum class DibRefusal {
    none = 0,
    block_too_small,      // fewer bytes than a 40-byte header
    header_size,          // biSize below 40, or beyond the block
    dimensions,           // width not above 0, height 0 (or not negatable)
    bit_count,            // not 1, 4, 8, 16, 24 or 32
    compression,          // not BI_RGB, or BI_BITFIELDS on other than 16/32 bits
    masks,                // bitfield masks empty, overlapping, split or too wide
    colour_count,         // biClrUsed beyond what the bit depth allows
    size_overflow,        // a size computation does not fit
    pixels_beyond_block,  // colour table or rows reach past the block
};

// A bit field of a pixel: value = (pixel >> shift) & ((1 << bits) - 1).
struct ChannelMask {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    unsigned bits = 0;
};

struct DibLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;  // always positive; see top_down
    bool top_down = false;    // the first row in memory is the top row
    std::uint16_t bit_count = 0;
    std::uint32_t header_bytes = 0;      // biSize
    std::uint32_t palette_entries = 0;   // RGBQUADs used (1/4/8 bits only)
    std::size_t palette_offset = 0;      // from the start of the DIB
    std::size_t pixel_offset = 0;        // first row in memory
    std::size_t row_bytes = 0;           // stride, padded to 4
    std::size_t used_bytes = 0;          // pixel_offset + row_bytes * height
    bool bitfields = false;              // 16/32 bits: pixels hold masked channels
    ChannelMask red, green, blue;        // valid when bitfields
    std::int32_t x_pels_per_meter = 0;   // as the source stated (0 = not stated)
    std::int32_t y_pels_per_meter = 0;

    // The bitmap it becomes (dib_rows.h): 16/32 bits become 24, the rest
    // keep their depth; rows bottom-up, colour table only for 1/4/8 bits.
    std::uint16_t out_bit_count = 0;
    std::size_t out_row_bytes = 0;
    std::size_t out_image_bytes = 0;  // out_row_bytes * height, below 4 GiB
};

struct DibCheck {
    DibRefusal refusal = DibRefusal::none;
    DibLayout layout;
    explicit operator bool() const noexcept { return refusal == DibRefusal::none; }
};

// Reads only inside [dib, dib + block_bytes). dib may be null when
// block_bytes is 0.
DibCheck check_dib(const std::uint8_t* dib, std::size_t block_bytes) noexcept;

// Dots per inch from pixels per metre, to 1/100 dpi (11811 ppm is 300 dpi);
// 0 for 0 or a negative value.
double dpi_from_pels_per_meter(std::int32_t ppm) noexcept;
// Pixels per metre from dots per inch, rounded (300 dpi is 11811 ppm); 0 for
// 0 or a negative value.
std::int32_t pels_per_meter_from_dpi(int dpi) noexcept;

}  // namespace korvix::twain
