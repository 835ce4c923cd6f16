#include "twain/bridge/page_section.h"

#include <cstring>

#include "twain/dib_layout.h"

namespace korvix::twain::bridge {

namespace {

void put32(std::uint8_t* p, std::uint32_t v) noexcept {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::optional<PageSection> plan_page_section(const PageReady& page, std::uint64_t largest) {
    const std::uint16_t bits = page.bit_count;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return std::nullopt;
    const std::uint32_t most_entries = bits == 24 ? 0u : 1u << bits;
    if (bits != 24 && (page.palette_entries == 0 || page.palette_entries > most_entries)) return std::nullopt;
    if (bits == 24 && page.palette_entries != 0) return std::nullopt;
    if (page.width <= 0 || page.height <= 0) return std::nullopt;

    PageSection plan;
    plan.width = page.width;
    plan.height = page.height;
    plan.bit_count = bits;
    plan.palette_entries = page.palette_entries;
    // Widths and heights below 2^31 keep every product below 2^64.
    const std::uint64_t row = (static_cast<std::uint64_t>(page.width) * bits + 31) / 32 * 4;
    plan.image_bytes = row * static_cast<std::uint64_t>(page.height);
    plan.pixel_offset = kPageHeaderBytes + 4u * plan.palette_entries;
    plan.section_bytes = plan.pixel_offset + plan.image_bytes;
    if (plan.section_bytes > largest || plan.section_bytes > kLargestPageSection) return std::nullopt;
    plan.row_bytes = static_cast<std::size_t>(row);
    return plan;
}

void write_page_header(std::uint8_t* section, const PageSection& plan, std::int32_t x_pels_per_meter,
                       std::int32_t y_pels_per_meter, const std::uint8_t* palette) noexcept {
    std::memset(section, 0, kPageHeaderBytes);
    put32(section, kPageHeaderBytes);
    put32(section + 4, static_cast<std::uint32_t>(plan.width));
    put32(section + 8, static_cast<std::uint32_t>(plan.height));
    section[12] = 1;  // planes
    section[14] = static_cast<std::uint8_t>(plan.bit_count);
    put32(section + 20, static_cast<std::uint32_t>(plan.image_bytes));
    put32(section + 24, static_cast<std::uint32_t>(x_pels_per_meter));
    put32(section + 28, static_cast<std::uint32_t>(y_pels_per_meter));
    put32(section + 32, plan.palette_entries);
    if (plan.palette_entries) {
        if (palette)
            std::memcpy(section + kPageHeaderBytes, palette, 4u * plan.palette_entries);
        else
            std::memset(section + kPageHeaderBytes, 0, 4u * plan.palette_entries);
    }
}

bool section_holds_page(const std::uint8_t* section, std::uint64_t bytes, const PageSection& plan) noexcept {
    if (bytes != plan.section_bytes) return false;
    const DibCheck check = check_dib(section, static_cast<std::size_t>(bytes));
    if (!check) return false;
    const DibLayout& l = check.layout;
    return l.header_bytes == kPageHeaderBytes && !l.top_down && !l.bitfields && l.width == plan.width &&
           l.height == plan.height && l.bit_count == plan.bit_count && l.palette_entries == plan.palette_entries &&
           l.pixel_offset == plan.pixel_offset && l.row_bytes == plan.row_bytes && l.used_bytes == bytes;
}

}  // namespace korvix::twain::bridge
