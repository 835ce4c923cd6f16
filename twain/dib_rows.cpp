#include "twain/dib_rows.h"

#include <cstring>

namespace korvix::twain {

namespace {

// A channel of c.bits bits scaled to 0...255, rounded to nearest.
std::uint8_t channel(std::uint32_t pixel, const ChannelMask& c) noexcept {
    const std::uint64_t v = (pixel & c.mask) >> c.shift;
    if (c.bits == 8) return static_cast<std::uint8_t>(v);
    const std::uint64_t most = (c.bits >= 32) ? 0xFFFFFFFFull : ((1ull << c.bits) - 1);
    return static_cast<std::uint8_t>((v * 255 + most / 2) / most);
}

// One row of 16/32-bit masked pixels to BGR, its padding zeroed.
void convert_row(const std::uint8_t* in, std::uint8_t* out, const DibLayout& l) noexcept {
    const std::size_t step = l.bit_count / 8u;
    std::uint8_t* const end = out + l.out_row_bytes;
    for (std::int32_t x = 0; x < l.width; ++x, in += step, out += 3) {
        std::uint32_t px = static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8;
        if (step == 4) px |= static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
        out[0] = channel(px, l.blue);
        out[1] = channel(px, l.green);
        out[2] = channel(px, l.red);
    }
    std::memset(out, 0, static_cast<std::size_t>(end - out));
}

}  // namespace

void copy_dib_rows(const std::uint8_t* rows, const DibLayout& l, std::uint8_t* out) noexcept {
    if (!l.bitfields && !l.top_down) {  // already the bitmap's row order and format
        std::memcpy(out, rows, l.out_image_bytes);
        return;
    }
    for (std::int32_t y = 0; y < l.height; ++y, out += l.out_row_bytes) {  // y counts rows from the bottom
        const std::int32_t source_row = l.top_down ? l.height - 1 - y : y;
        const std::uint8_t* row = rows + static_cast<std::size_t>(source_row) * l.row_bytes;
        if (l.bitfields)
            convert_row(row, out, l);
        else
            std::memcpy(out, row, l.out_row_bytes);
    }
}

}  // namespace korvix::twain
