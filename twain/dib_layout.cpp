#include "twain/dib_layout.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace korvix::twain {

namespace {

constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
// Offsets inside a BITMAPINFOHEADER (and the V2+ headers that extend it).
constexpr std::size_t kWidthAt = 4, kHeightAt = 8, kBitCountAt = 14, kCompressionAt = 16;
constexpr std::size_t kXPelsAt = 24, kYPelsAt = 28, kClrUsedAt = 32;
constexpr std::size_t kMasksInHeaderAt = 40;  // V2 and later: red, green, blue masks
constexpr std::uint32_t kMaskHeaderBytes = 52;
// A bitmap's header states its size in 32 bits, and a 32-bit process could
// not map more anyway: larger DIBs are refused on every build alike.
constexpr std::uint64_t kLargestDib = 0xFFFFFFFFu;

std::uint32_t u32_at(const std::uint8_t* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t i32_at(const std::uint8_t* p) noexcept {
    const std::uint32_t u = u32_at(p);
    std::int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
std::uint16_t u16_at(const std::uint8_t* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// A mask is one run of set bits within the pixel's width.
bool make_channel(std::uint32_t mask, unsigned pixel_bits, ChannelMask& out) noexcept {
    if (mask == 0) return false;
    if (pixel_bits < 32 && (mask >> pixel_bits) != 0) return false;
    unsigned shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    const std::uint32_t run = mask >> shift;
    if ((run & (run + 1)) != 0) return false;  // not contiguous
    unsigned bits = 0;
    while (bits < 32 && ((run >> bits) & 1u) != 0) ++bits;
    out = ChannelMask{mask, shift, bits};
    return true;
}

bool mul_fits(std::uint64_t a, std::uint64_t b, std::uint64_t& out) noexcept {
    if (b != 0 && a > std::numeric_limits<std::uint64_t>::max() / b) return false;
    out = a * b;
    return true;
}
bool add_fits(std::uint64_t a, std::uint64_t b, std::uint64_t& out) noexcept {
    if (a > std::numeric_limits<std::uint64_t>::max() - b) return false;
    out = a + b;
    return true;
}

DibCheck refuse(DibRefusal why) noexcept {
    DibCheck c;
    c.refusal = why;
    return c;
}

}  // namespace

DibCheck check_dib(const std::uint8_t* dib, std::size_t block_bytes) noexcept {
    if (!dib || block_bytes < kInfoHeaderBytes) return refuse(DibRefusal::block_too_small);

    DibLayout l;
    l.header_bytes = u32_at(dib);
    if (l.header_bytes < kInfoHeaderBytes || l.header_bytes > block_bytes) return refuse(DibRefusal::header_size);

    const std::int32_t width = i32_at(dib + kWidthAt);
    const std::int32_t height = i32_at(dib + kHeightAt);
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
        return refuse(DibRefusal::dimensions);
    l.width = width;
    l.top_down = height < 0;
    l.height = l.top_down ? -height : height;

    l.bit_count = u16_at(dib + kBitCountAt);
    switch (l.bit_count) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return refuse(DibRefusal::bit_count);
    }

    const std::uint32_t compression = u32_at(dib + kCompressionAt);
    const bool masked_depth = l.bit_count == 16 || l.bit_count == 32;
    if (compression != kBiRgb && !(compression == kBiBitfields && masked_depth))
        return refuse(DibRefusal::compression);

    // Colour table: 1/4/8 bits always have one (biClrUsed 0 means all
    // 2^bits entries); deeper pictures may carry an optional one that only
    // helps palette displays: it is skipped.
    const std::uint32_t clr_used = u32_at(dib + kClrUsedAt);
    std::uint64_t table_entries = 0;
    if (l.bit_count <= 8) {
        const std::uint32_t most = 1u << l.bit_count;
        if (clr_used > most) return refuse(DibRefusal::colour_count);
        l.palette_entries = clr_used ? clr_used : most;
        table_entries = l.palette_entries;
    } else {
        if (clr_used > 256) return refuse(DibRefusal::colour_count);
        table_entries = clr_used;
    }

    // Masks: inside a V2+ header, or three DWORDs after a 40-byte header.
    std::uint64_t mask_bytes = 0;
    if (masked_depth) {
        std::uint32_t r, g, b;
        if (compression == kBiBitfields) {
            const std::uint8_t* at = dib + kMasksInHeaderAt;
            if (l.header_bytes < kMaskHeaderBytes) {
                mask_bytes = 12;
                if (block_bytes < kInfoHeaderBytes + mask_bytes) return refuse(DibRefusal::pixels_beyond_block);
            }
            r = u32_at(at);
            g = u32_at(at + 4);
            b = u32_at(at + 8);
        } else if (l.bit_count == 16) {
            r = 0x7C00; g = 0x03E0; b = 0x001F;
        } else {
            r = 0xFF0000; g = 0x00FF00; b = 0x0000FF;
        }
        if (!make_channel(r, l.bit_count, l.red) || !make_channel(g, l.bit_count, l.green) ||
            !make_channel(b, l.bit_count, l.blue) || (r & g) || (r & b) || (g & b))
            return refuse(DibRefusal::masks);
        l.bitfields = true;
    }

    // Every size in 64 bits, then checked against the block and the address space.
    const std::uint64_t row_bytes = (static_cast<std::uint64_t>(l.width) * l.bit_count + 31) / 32 * 4;
    const std::uint64_t palette_offset = static_cast<std::uint64_t>(l.header_bytes) + mask_bytes;
    const std::uint64_t pixel_offset = palette_offset + 4 * table_entries;
    std::uint64_t pixel_bytes = 0, used = 0;
    if (!mul_fits(row_bytes, static_cast<std::uint64_t>(l.height), pixel_bytes) ||
        !add_fits(pixel_offset, pixel_bytes, used) || used > kLargestDib)
        return refuse(DibRefusal::size_overflow);
    if (used > block_bytes) return refuse(DibRefusal::pixels_beyond_block);

    l.palette_offset = static_cast<std::size_t>(palette_offset);
    l.pixel_offset = static_cast<std::size_t>(pixel_offset);
    l.row_bytes = static_cast<std::size_t>(row_bytes);
    l.used_bytes = static_cast<std::size_t>(used);

    // The bitmap it becomes: its image size is a 32-bit field of its header.
    l.out_bit_count = l.bitfields ? 24 : l.bit_count;
    const std::uint64_t out_row = (static_cast<std::uint64_t>(l.width) * l.out_bit_count + 31) / 32 * 4;
    std::uint64_t out_pixels = 0;
    if (!mul_fits(out_row, static_cast<std::uint64_t>(l.height), out_pixels) || out_pixels > kLargestDib)
        return refuse(DibRefusal::size_overflow);
    l.out_row_bytes = static_cast<std::size_t>(out_row);
    l.out_image_bytes = static_cast<std::size_t>(out_pixels);

    l.x_pels_per_meter = i32_at(dib + kXPelsAt);
    l.y_pels_per_meter = i32_at(dib + kYPelsAt);

    DibCheck ok;
    ok.layout = l;
    return ok;
}

double dpi_from_pels_per_meter(std::int32_t ppm) noexcept {
    if (ppm <= 0) return 0;
    return std::round(ppm * 0.0254 * 100.0) / 100.0;
}

std::int32_t pels_per_meter_from_dpi(int dpi) noexcept {
    if (dpi <= 0) return 0;
    return static_cast<std::int32_t>(std::lround(dpi / 0.0254));
}

}  // namespace korvix::twain
