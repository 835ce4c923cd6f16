// The page the virtual scanner delivers: colour bars, a grey ramp, a ruler
// with a tick every tenth of an inch and fields of one-pixel lines, drawn at
// the scan's resolution, pixel type and frame, as a packed bottom-up DIB.
// Portable; rows that repeat are drawn once and copied.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvix::twain {

struct PageFormat {
    std::int32_t width = 0, height = 0;   // pixels
    std::uint16_t bit_count = 24;         // 1 (black and white), 8 (grey) or 24 (colour)
    double x_dpi = 100, y_dpi = 100;
    double left = 0, top = 0;             // the frame's corner on the bed, inches
};

// The eight bars, left to right, as 0xRRGGBB.
extern const std::uint32_t kColourBars[8];
// Where the bands of the page start, inches from the top of the bed.
constexpr double kRampTop = 4.0, kRulerTop = 6.0, kLinesTop = 6.25;

// The colour of page pixel (x, y) (counted from the frame's top left) in
// colour, before conversion to grey or black and white.
std::uint32_t page_colour(const PageFormat& f, std::int32_t x, std::int32_t y) noexcept;

// Bytes of the DIB (header, colour table, rows); 0 when it would exceed 4 GiB.
std::uint64_t page_dib_bytes(const PageFormat& f) noexcept;
// Draws the DIB into dib, which holds page_dib_bytes(f) bytes.
void render_page(const PageFormat& f, std::uint8_t* dib) noexcept;

}  // namespace korvix::twain
