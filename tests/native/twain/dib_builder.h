// Builds packed DIBs byte by byte for the tests: any header size, either row
// order, colour table, bitfield masks, and pixels set by colour or by raw
// value, so every field a source could get wrong can be got wrong on purpose.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace korvix::twain::test {

struct dib_shape {
    std::int32_t width = 3;
    std::int32_t height = 2;  // negative: top-down
    std::uint16_t bit_count = 24;
    std::uint32_t header_bytes = 40;
    std::uint32_t compression = 0;
    std::uint32_t clr_used = 0;
    std::uint32_t table_entries = 0;   // entries actually present
    bool masks_after_header = false;   // 40-byte header + BI_BITFIELDS
    std::uint32_t masks[3] = {0, 0, 0};
    std::int32_t x_ppm = 11811, y_ppm = 11811;
};

class dib_builder {
public:
    explicit dib_builder(const dib_shape& s) : s_(s) {
        const std::int32_t h = s.height < 0 ? -s.height : s.height;
        row_ = (static_cast<std::size_t>(s.width) * s.bit_count + 31) / 32 * 4;
        table_at_ = s.header_bytes + (s.masks_after_header ? 12 : 0);
        pixels_at_ = table_at_ + 4 * s.table_entries;
        bytes_.assign(pixels_at_ + row_ * static_cast<std::size_t>(h), 0);
        put32(0, s.header_bytes);
        put32(4, static_cast<std::uint32_t>(s.width));
        put32(8, static_cast<std::uint32_t>(s.height));
        put16(12, 1);
        put16(14, s.bit_count);
        put32(16, s.compression);
        put32(24, static_cast<std::uint32_t>(s.x_ppm));
        put32(28, static_cast<std::uint32_t>(s.y_ppm));
        put32(32, s.clr_used);
        const std::size_t mask_at = s.masks_after_header ? 40 : (s.header_bytes >= 52 ? 40 : 0);
        if (mask_at)
            for (int i = 0; i < 3; ++i) put32(mask_at + 4 * i, s.masks[i]);
    }

    // Colour table entry i as 0x00RRGGBB.
    void palette(std::uint32_t i, std::uint32_t rgb) { put32(table_at_ + 4 * i, rgb); }
    // Raw pixel value at (x, y), y counted from the top of the picture.
    void pixel(std::int32_t x, std::int32_t y, std::uint32_t value) {
        const std::int32_t h = s_.height < 0 ? -s_.height : s_.height;
        const std::int32_t memory_row = s_.height < 0 ? y : h - 1 - y;
        std::uint8_t* row = bytes_.data() + pixels_at_ + row_ * static_cast<std::size_t>(memory_row);
        const std::size_t bit = static_cast<std::size_t>(x) * s_.bit_count;
        if (s_.bit_count < 8) {
            const unsigned shift = 8 - s_.bit_count - static_cast<unsigned>(bit % 8);
            const unsigned mask = ((1u << s_.bit_count) - 1) << shift;
            row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
        } else {
            for (unsigned i = 0; i < s_.bit_count / 8u; ++i)
                row[bit / 8 + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

    std::vector<std::uint8_t>& bytes() { return bytes_; }
    void put32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void put16(std::size_t at, std::uint16_t v) {
        bytes_[at] = static_cast<std::uint8_t>(v);
        bytes_[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }

private:
    dib_shape s_;
    std::size_t row_ = 0, table_at_ = 0, pixels_at_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace korvix::twain::test
