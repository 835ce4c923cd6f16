#include "twain/virtual_scanner/test_page.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace korvix::twain {

const std::uint32_t kColourBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                      0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};

namespace {

constexpr double kBedWidth = 210 / 25.4;

std::uint64_t row_bytes(const PageFormat& f) noexcept {
    return (static_cast<std::uint64_t>(f.width) * f.bit_count + 31) / 32 * 4;
}
std::uint32_t palette_entries(const PageFormat& f) noexcept { return f.bit_count <= 8 ? 1u << f.bit_count : 0; }

std::uint8_t luminance(std::uint32_t rgb) noexcept {
    const std::uint32_t r = rgb >> 16, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return static_cast<std::uint8_t>((77 * r + 150 * g + 29 * b + 128) >> 8);
}

// Rows with the same kind are identical: each band repeats one row, the
// horizontal-line field two.
int row_kind(const PageFormat& f, std::int32_t y) noexcept {
    const double y_in = f.top + (y + 0.5) / f.y_dpi;
    if (y_in < kRampTop) return 0;
    if (y_in < kRulerTop) return 1;
    if (y_in < kLinesTop) return 2;
    return 3 + (y & 1);
}

// The tenth of an inch that column x's centre lies in. A tick is where it
// changes from the column before: one function for both columns, so every
// tenth gets exactly one tick however the division rounds.
double tenth_of(const PageFormat& f, std::int32_t x) noexcept {
    return std::floor((f.left + (x + 0.5) / f.x_dpi) * 10);
}

void put32(std::uint8_t* p, std::uint32_t v) noexcept {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void draw_row(const PageFormat& f, std::int32_t y, std::uint8_t* row) noexcept {
    std::memset(row, 0, static_cast<std::size_t>(row_bytes(f)));
    for (std::int32_t x = 0; x < f.width; ++x) {
        const std::uint32_t rgb = page_colour(f, x, y);
        if (f.bit_count == 24) {
            row[3 * x] = static_cast<std::uint8_t>(rgb);
            row[3 * x + 1] = static_cast<std::uint8_t>(rgb >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(rgb >> 16);
        } else if (f.bit_count == 8) {
            row[x] = luminance(rgb);
        } else if (luminance(rgb) >= 128) {
            row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
        }
    }
}

}  // namespace

std::uint32_t page_colour(const PageFormat& f, std::int32_t x, std::int32_t y) noexcept {
    const double x_in = f.left + (x + 0.5) / f.x_dpi;
    const double y_in = f.top + (y + 0.5) / f.y_dpi;
    if (y_in < kRampTop) {
        int bar = static_cast<int>(x_in / kBedWidth * 8);
        return kColourBars[bar < 0 ? 0 : bar > 7 ? 7 : bar];
    }
    if (y_in < kRulerTop) {
        double level = std::floor(x_in / kBedWidth * 256);
        const std::uint32_t g = static_cast<std::uint32_t>(level < 0 ? 0 : level > 255 ? 255 : level);
        return g << 16 | g << 8 | g;
    }
    if (y_in < kLinesTop) {
        // A tick on the first pixel of every tenth of an inch.
        return tenth_of(f, x) != tenth_of(f, x - 1) ? 0x000000 : 0xFFFFFF;
    }
    // Left half: one-pixel vertical lines; right half: one-pixel horizontal lines.
    const bool black = x_in < kBedWidth / 2 ? (x % 2 == 0) : (y % 2 == 0);
    return black ? 0x000000 : 0xFFFFFF;
}

std::uint64_t page_dib_bytes(const PageFormat& f) noexcept {
    if (f.width <= 0 || f.height <= 0) return 0;
    const std::uint64_t total = 40 + 4ull * palette_entries(f) + row_bytes(f) * static_cast<std::uint64_t>(f.height);
    return total > 0xFFFFFFFFull ? 0 : total;
}

void render_page(const PageFormat& f, std::uint8_t* dib) noexcept {
    const std::size_t stride = static_cast<std::size_t>(row_bytes(f));
    const std::uint32_t entries = palette_entries(f);
    std::memset(dib, 0, 40);
    put32(dib, 40);
    put32(dib + 4, static_cast<std::uint32_t>(f.width));
    put32(dib + 8, static_cast<std::uint32_t>(f.height));
    dib[12] = 1;
    dib[14] = static_cast<std::uint8_t>(f.bit_count);
    put32(dib + 20, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(f.height)));
    put32(dib + 24, static_cast<std::uint32_t>(std::lround(f.x_dpi / 0.0254)));
    put32(dib + 28, static_cast<std::uint32_t>(std::lround(f.y_dpi / 0.0254)));
    put32(dib + 32, entries);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint32_t level = entries == 2 ? i * 255 : i;
        put32(dib + 40 + 4 * i, level << 16 | level << 8 | level);
    }
    std::uint8_t* rows = dib + 40 + 4 * entries;
    // Memory holds the bottom row first; a row of a kind already drawn is copied.
    std::int32_t drawn[5] = {-1, -1, -1, -1, -1};
    for (std::int32_t y = 0; y < f.height; ++y) {
        std::uint8_t* row = rows + stride * static_cast<std::size_t>(f.height - 1 - y);
        const int kind = row_kind(f, y);
        if (drawn[kind] >= 0) {
            std::memcpy(row, rows + stride * static_cast<std::size_t>(f.height - 1 - drawn[kind]), stride);
        } else {
            draw_row(f, y, row);
            drawn[kind] = y;
        }
    }
}

}  // namespace korvix::twain
