// The two ends the portable encoders work between: a picture read as rows of
// 24-bit pixels (blue, green, red; top row first) and a sequential byte sink
// (common/byte_sink.h).
// The Windows binding reads the rows out of a bitmap and writes to a file;
// tests use memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_sink.h"

namespace korvix {

class BgrRowSource {
public:
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    // Copies rows [first, first + count) into out: each row width * 3 bytes
    // of B, G, R, successive rows out_stride bytes apart. False on failure.
    virtual bool read_rows(int32_t first, int32_t count, uint8_t* out, size_t out_stride) = 0;

protected:
    ~BgrRowSource() = default;
};

// Dots per inch along each axis; 0 means unknown.
struct ImageResolution {
    double x = 0, y = 0;
};

// What a file is given when the picture's resolution is unknown (0, negative
// or not a number): the screen's 96 dpi.
ImageResolution resolution_or_screen(ImageResolution dpi) noexcept;

// Pixels per metre, as a bitmap's header keeps its resolution: the nearest
// whole number (0 for unknown, out-of-range values clamped).
int32_t pels_per_metre(double dpi) noexcept;
// And back: 0 for 0 or less. A whole number of pixels per metre is only
// within half a step (0.0127 dpi) of a whole dpi value, so a value that
// close is taken as that whole number: 300 dpi goes in as 11811 and comes
// back as 300, not 299.9994.
double dpi_from_pels_per_metre(int32_t pels) noexcept;

}  // namespace korvix
