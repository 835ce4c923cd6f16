// The pixels the scripted source puts in its DIBs, shared with the tests
// that check the pictures they become: every kind of DIB a driver may send,
// each with a pattern whose every pixel has a known colour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/native/twain/dib_builder.h"

namespace korvix::twain::test {

struct dib_kind {
    std::uint16_t bits = 24;
    std::uint32_t clr_used = 0;  // 1/4/8 bits: entries stated (0: all)
    bool bitfields = false;      // 16/32 bits: BI_BITFIELDS (5-6-5, or 10-10-10)
    std::uint32_t header = 40;   // 124: a V5 header
    bool top_down = false;
    std::int32_t width = 7, height = 5;
};

inline std::uint32_t palette_colour(std::uint32_t i) {
    return ((i * 37) & 0xFF) << 16 | ((i * 91 + 17) & 0xFF) << 8 | ((i * 53 + 5) & 0xFF);
}

inline std::uint32_t table_entries(const dib_kind& k) {
    return k.bits > 8 ? 0 : k.clr_used ? k.clr_used : 1u << k.bits;
}

// Channel values of pixel (x, y) in fields of `bits` bits.
inline std::uint32_t field(std::int32_t x, std::int32_t y, int channel, unsigned bits) {
    const std::uint32_t most = (1u << bits) - 1;
    return static_cast<std::uint32_t>(x * 11 + y * 7 + channel * 5) * (most / 31 + 1) % (most + 1);
}

inline std::uint32_t masks_bits(const dib_kind& k, int channel) {
    if (k.bits == 16) return k.bitfields ? (channel == 1 ? 6 : 5) : 5;
    return k.bitfields ? 10 : 8;
}

// The colour (0xRRGGBB) pixel (x, y) means.
inline std::uint32_t expected_colour(const dib_kind& k, std::int32_t x, std::int32_t y) {
    if (k.bits <= 8) return palette_colour(static_cast<std::uint32_t>(x + 3 * y) % table_entries(k));
    if (k.bits == 24) return static_cast<std::uint32_t>((x * 36) << 16 | (y * 50) << 8 | (x * 9 + y * 17));
    std::uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
        const unsigned bits = masks_bits(k, c);
        const std::uint32_t v = field(x, y, c, bits);
        rgb = rgb << 8 | static_cast<std::uint32_t>((v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
    }
    return rgb;
}

// The packed DIB of that kind.
inline std::vector<std::uint8_t> make_dib(const dib_kind& k) {
    dib_shape s;
    s.width = k.width;
    s.height = k.top_down ? -k.height : k.height;
    s.bit_count = k.bits;
    s.header_bytes = k.header;
    s.clr_used = k.bits <= 8 ? k.clr_used : 0;
    s.table_entries = table_entries(k);
    // Red, green and blue masks, highest first.
    const unsigned rb = masks_bits(k, 0), gb = masks_bits(k, 1), bb = masks_bits(k, 2);
    if (k.bitfields) {
        s.compression = 3;
        s.masks_after_header = k.header < 52;
        s.masks[2] = (1u << bb) - 1;
        s.masks[1] = ((1u << gb) - 1) << bb;
        s.masks[0] = ((1u << rb) - 1) << (bb + gb);
    }
    dib_builder b(s);
    for (std::uint32_t i = 0; i < s.table_entries; ++i) b.palette(i, palette_colour(i));
    for (std::int32_t y = 0; y < k.height; ++y)
        for (std::int32_t x = 0; x < k.width; ++x) {
            std::uint32_t raw;
            if (k.bits <= 8) {
                raw = static_cast<std::uint32_t>(x + 3 * y) % table_entries(k);
            } else if (k.bits == 24) {
                raw = expected_colour(k, x, y);
            } else {
                raw = field(x, y, 0, rb) << (gb + bb) | field(x, y, 1, gb) << bb | field(x, y, 2, bb);
                if (k.bits == 32 && !k.bitfields) raw |= 0x5A000000u;  // the unused byte is not alpha
            }
            b.pixel(x, y, raw);
        }
    return b.bytes();
}

}  // namespace korvix::twain::test
