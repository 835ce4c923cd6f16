// Packed DIBs for the tests, named as a scripted source's scenario names them:
//   <bits>[,clr=<n>][,bitfields][,v5][,topdown][,lie][,huge][,noppm][,size=<w>x<h>]
// (clr: the entries of the colour table, which 16/24/32 bits may carry too;
// bitfields: 5-6-5 masks at 16 bits, 10-10-10 at 32; v5: a 124-byte header).
// Every pixel has a known colour; lie, huge and noppm spoil the header.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace korvix::twain::test {

struct dib_kind {
    std::uint16_t bits = 24;
    std::uint32_t clr_used = 0;
    bool bitfields = false, v5 = false, top_down = false;
    bool lie = false;            // claims far more rows than its block holds
    bool huge = false;           // claims 60000 x 60000 pixels
    bool no_resolution = false;  // states no pixels per metre (else 300 dpi)
    std::int32_t width = 7, height = 5;
};

inline dib_kind parse_kind(const std::string& text) {
    dib_kind k;
    auto has = [&](const std::string& flag) { return (text + ",").find("," + flag + ",") != std::string::npos; };
    k.bits = static_cast<std::uint16_t>(std::atoi(text.c_str()));
    k.bitfields = has("bitfields"), k.v5 = has("v5"), k.top_down = has("topdown");
    k.lie = has("lie"), k.huge = has("huge"), k.no_resolution = has("noppm");
    if (text.find("clr=") != std::string::npos) k.clr_used = std::atoi(text.c_str() + text.find("clr=") + 4);
    if (text.find("size=") != std::string::npos)
        std::sscanf(text.c_str() + text.find("size=") + 5, "%dx%d", &k.width, &k.height);
    return k;
}

inline std::uint32_t table_entries(const dib_kind& k) { return k.bits > 8 || k.clr_used ? k.clr_used : 1u << k.bits; }
inline std::uint32_t palette_colour(std::uint32_t i) {
    return ((i * 37) & 0xFF) << 16 | ((i * 91 + 17) & 0xFF) << 8 | ((i * 53 + 5) & 0xFF);
}
// Bits of the red (0), green (1) and blue (2) fields of a 16/24/32-bit pixel.
inline unsigned channel_bits(const dib_kind& k, int c) {
    return k.bits == 16 ? (k.bitfields && c == 1 ? 6 : 5) : k.bitfields ? 10 : 8;
}
inline std::uint32_t channel(std::int32_t x, std::int32_t y, int c, unsigned bits) {
    return static_cast<std::uint32_t>(x * 11 + y * 7 + c * 5) * (bits - 4) % (1u << bits);
}

// The colour (0xRRGGBB) pixel (x, y), counted from the top, means.
inline std::uint32_t expected_colour(const dib_kind& k, std::int32_t x, std::int32_t y) {
    if (k.bits <= 8) return palette_colour(static_cast<std::uint32_t>(x + 3 * y) % table_entries(k));
    std::uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
        const std::uint32_t most = (1u << channel_bits(k, c)) - 1;
        rgb = rgb << 8 | (channel(x, y, c, channel_bits(k, c)) * 255 + most / 2) / most;
    }
    return rgb;
}

inline void put32(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
}

inline std::vector<std::uint8_t> make_dib(const dib_kind& k) {
    const std::uint32_t header = k.v5 ? 124 : 40, entries = table_entries(k);
    const std::size_t stride = (static_cast<std::size_t>(k.width) * k.bits + 31) / 32 * 4;
    const std::size_t table = header + (k.bitfields && !k.v5 ? 12 : 0), pixels = table + 4 * entries;
    std::vector<std::uint8_t> d(pixels + stride * static_cast<std::size_t>(k.height));
    const std::int32_t height = k.top_down ? -k.height : k.height;
    const std::uint32_t fields[] = {header, static_cast<std::uint32_t>(k.width), static_cast<std::uint32_t>(height),
                                    1u | k.bits << 16, k.bitfields ? 3u : 0u, 0, 11811, 11811, k.clr_used};
    for (std::size_t i = 0; i < 9; ++i) put32(d, 4 * i, fields[i]);
    const unsigned rb = channel_bits(k, 0), gb = channel_bits(k, 1), bb = channel_bits(k, 2);
    if (k.bitfields) {  // red, green, blue: highest bits first
        put32(d, 40, ((1u << rb) - 1) << (gb + bb));
        put32(d, 44, ((1u << gb) - 1) << bb);
        put32(d, 48, (1u << bb) - 1);
    }
    for (std::uint32_t i = 0; i < entries; ++i) put32(d, table + 4 * i, palette_colour(i));
    for (std::int32_t y = 0; y < k.height; ++y)
        for (std::int32_t x = 0; x < k.width; ++x) {
            const std::int32_t memory_row = k.top_down ? y : k.height - 1 - y;
            std::uint8_t* row = d.data() + pixels + stride * static_cast<std::size_t>(memory_row);
            const std::size_t bit = static_cast<std::size_t>(x) * k.bits;
            std::uint32_t raw = k.bits <= 8 ? static_cast<std::uint32_t>(x + 3 * y) % entries
                                            : channel(x, y, 0, rb) << (gb + bb) | channel(x, y, 1, gb) << bb |
                                                  channel(x, y, 2, bb);
            if (k.bits == 32 && !k.bitfields) raw |= 0x5A000000u;  // the unused byte is not alpha
            if (k.bits < 8) row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | raw << (8 - k.bits - bit % 8));
            for (unsigned i = 0; k.bits >= 8 && i < k.bits / 8u; ++i)
                row[bit / 8 + i] = static_cast<std::uint8_t>(raw >> 8 * i);
        }
    if (k.no_resolution) put32(d, 24, 0), put32(d, 28, 0);
    if (k.lie) put32(d, 8, static_cast<std::uint32_t>(k.height * 400));
    if (k.huge) put32(d, 4, 60000), put32(d, 8, 60000);  // 14 GB at 32 bits
    return d;
}

}  // namespace korvix::twain::test
