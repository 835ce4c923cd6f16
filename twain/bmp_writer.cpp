#include "twain/bmp_writer.h"

#include <cstring>
#include <new>
#include <vector>

namespace korvix::twain {

namespace {

void put16(std::uint8_t* p, std::uint16_t v) noexcept {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) noexcept {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A channel of bits bits scaled to 0...255, rounded to nearest.
std::uint8_t channel(std::uint32_t pixel, const ChannelMask& c) noexcept {
    const std::uint64_t v = (pixel & c.mask) >> c.shift;
    if (c.bits == 8) return static_cast<std::uint8_t>(v);
    const std::uint64_t most = (c.bits >= 32) ? 0xFFFFFFFFull : ((1ull << c.bits) - 1);
    return static_cast<std::uint8_t>((v * 255 + most / 2) / most);
}

// One row of 16/32-bit masked pixels to BGR; padding bytes zero.
void convert_row(const std::uint8_t* in, std::uint8_t* out, const DibLayout& l) noexcept {
    const std::size_t step = l.bit_count / 8;
    for (std::int32_t x = 0; x < l.width; ++x, in += step, out += 3) {
        std::uint32_t px = static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8;
        if (step == 4) px |= static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
        out[0] = channel(px, l.blue);
        out[1] = channel(px, l.green);
        out[2] = channel(px, l.red);
    }
}

// The 14-byte file header and 40-byte info header of the file for a layout.
struct BmpHeaders {
    std::uint8_t bytes[54];
};

BmpHeaders bmp_headers(const DibLayout& l) noexcept {
    BmpHeaders h{};
    std::uint8_t* f = h.bytes;
    f[0] = 'B';
    f[1] = 'M';
    put32(f + 2, l.out_file_bytes);
    put32(f + 10, l.out_pixel_offset);
    std::uint8_t* i = h.bytes + 14;
    put32(i, 40);
    put32(i + 4, static_cast<std::uint32_t>(l.width));
    put32(i + 8, static_cast<std::uint32_t>(l.height));
    put16(i + 12, 1);
    put16(i + 14, l.out_bit_count);
    put32(i + 16, 0);  // BI_RGB
    put32(i + 20, static_cast<std::uint32_t>(l.out_row_bytes * static_cast<std::size_t>(l.height)));
    put32(i + 24, static_cast<std::uint32_t>(l.x_pels_per_meter));
    put32(i + 28, static_cast<std::uint32_t>(l.y_pels_per_meter));
    put32(i + 32, l.palette_entries);
    put32(i + 36, 0);
    return h;
}

}  // namespace

bool write_bmp(const std::uint8_t* dib, const DibLayout& l, ByteSink& out) noexcept {
    const BmpHeaders headers = bmp_headers(l);
    if (!out.write(headers.bytes, sizeof headers.bytes)) return false;
    if (l.palette_entries && !out.write(dib + l.palette_offset, 4u * l.palette_entries)) return false;

    const std::uint8_t* rows = dib + l.pixel_offset;
    if (!l.bitfields && !l.top_down)  // already the file's row order and format
        return out.write(rows, l.row_bytes * static_cast<std::size_t>(l.height));

    std::vector<std::uint8_t> converted;
    if (l.bitfields) {
        try {
            converted.assign(l.out_row_bytes, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    for (std::int32_t y = 0; y < l.height; ++y) {  // y counts file rows, bottom first
        const std::int32_t source_row = l.top_down ? l.height - 1 - y : y;
        const std::uint8_t* row = rows + static_cast<std::size_t>(source_row) * l.row_bytes;
        if (l.bitfields) {
            convert_row(row, converted.data(), l);
            row = converted.data();
        }
        if (!out.write(row, l.out_row_bytes)) return false;
    }
    return true;
}

}  // namespace korvix::twain
