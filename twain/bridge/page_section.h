// The shared memory section a scanned page crosses from the helper to the
// control in. The control sizes it from the page the helper announced, the
// helper writes the page into it, and the control checks what is there
// before it becomes the picture's own bitmap memory:
//
//   offset 0:   a BITMAPINFOHEADER of 40 bytes (BI_RGB, bottom-up)
//   offset 40:  the colour table of a 1/4/8-bit page (4 bytes an entry)
//   then:       the rows, bottom row first, each padded to 4 bytes
//
// 16 and 32-bit pages arrive as 24-bit ones (the helper converts them), so a
// page is 1, 4, 8 or 24 bits deep. The rows' offset is a multiple of 4, as a
// bitmap made on the section needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "twain/bridge/wire_format.h"

namespace korvix::twain::bridge {

constexpr std::uint32_t kPageHeaderBytes = 40;
// A bitmap's header states its image size in 32 bits.
constexpr std::uint64_t kLargestPageSection = 0xFFFFFFFFu;

struct PageSection {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bit_count = 0;
    std::uint32_t palette_entries = 0;
    std::size_t row_bytes = 0;
    std::size_t pixel_offset = 0;   // 40 + 4 x entries
    std::uint64_t image_bytes = 0;  // row_bytes x height
    std::uint64_t section_bytes = 0;
};

// The section for an announced page; empty when the page is not one the
// helper may send (depth, colour table, dimensions) or needs more than
// largest bytes.
std::optional<PageSection> plan_page_section(const PageReady& page, std::uint64_t largest = kLargestPageSection);

// Writes the header and the colour table (palette: entries x 4 bytes, or
// null for none) at the start of a section of at least pixel_offset bytes.
void write_page_header(std::uint8_t* section, const PageSection& plan, std::int32_t x_pels_per_meter,
                       std::int32_t y_pels_per_meter, const std::uint8_t* palette) noexcept;

// Whether bytes (all of a section) hold the planned page: the DIB checks
// accept it, and it is exactly the announced one, rows where planned.
bool section_holds_page(const std::uint8_t* section, std::uint64_t bytes, const PageSection& plan) noexcept;

}  // namespace korvix::twain::bridge
