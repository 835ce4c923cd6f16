// The virtual scanner's test page, pinned for every build: drawn natively,
// and scanned through the control from the i686 and the x86_64 data source
// under Wine, the page must come out as these pixels. A digest (FNV-1a, 64
// bits) of the width, the height and the pixels as 0xRRGGBB, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvix::twain::test {

struct page_case {
    std::int16_t dpi;
    std::int32_t color_type;  // TWPT_BW, TWPT_GRAY, TWPT_RGB
    std::int32_t width, height, bits;
    std::uint64_t digest;
};

// The whole A4 bed at each colour type; the last one is what the source's
// own dialog scans in the scan tests (ShowInterface on).
inline constexpr page_case kPageCases[] = {
    {75, 0, 620, 877, 1, 0x26F69E5E453FC23Eu},
    {150, 1, 1240, 1754, 8, 0xA8A96B8A01B44964u},
    {300, 2, 2480, 3508, 24, 0x8FB4C2F1B615CEFCu},
    {100, 2, 827, 1169, 24, 0xA6168F001DD096E6u},
};

inline std::uint64_t page_digest(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& rgb) {
    std::uint64_t hash = 0xCBF29CE484222325u;
    auto add = [&hash](std::uint32_t word) {
        for (int i = 0; i < 4; ++i) {
            hash ^= (word >> (8 * i)) & 0xFF;
            hash *= 0x100000001B3u;
        }
    };
    add(static_cast<std::uint32_t>(width));
    add(static_cast<std::uint32_t>(height));
    for (const std::uint32_t pixel : rgb) add(pixel);
    return hash;
}

}  // namespace korvix::twain::test
