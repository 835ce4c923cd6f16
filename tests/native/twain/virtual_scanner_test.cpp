// The virtual flatbed: what it accepts in negotiation, the frame, and the
// page it draws, pinned for every build. (What the page shows is checked
// through the whole scan under Wine.)
#include <gtest/gtest.h>

#include <vector>

#include "tests/native/twain/test_page_digests.h"
#include "twain/virtual_scanner/flatbed_settings.h"

namespace korvix::twain {
namespace {

TW_ONEVALUE fix_value(double v) { return {TWTY_FIX32, fix32_item(fix32_of(v))}; }

TEST(VirtualScanner, AcceptsWhatAFlatbedCanDo) {
    struct set_case {
        TW_UINT16 cap;
        TW_ONEVALUE value;
        TW_UINT16 cc;  // TWCC_SUCCESS when accepted
    };
    const set_case cases[] = {
        {CAP_INDICATORS, {TWTY_BOOL, 0}, TWCC_SUCCESS},       {ICAP_XRESOLUTION, fix_value(50), TWCC_SUCCESS},
        {ICAP_YRESOLUTION, fix_value(1200), TWCC_SUCCESS},    {ICAP_XRESOLUTION, fix_value(49.5), TWCC_BADVALUE},
        {ICAP_YRESOLUTION, fix_value(1201), TWCC_BADVALUE},   {ICAP_PIXELTYPE, {TWTY_UINT16, 3}, TWCC_BADVALUE},
        {CAP_XFERCOUNT, {TWTY_INT16, 1}, TWCC_SUCCESS},       {CAP_XFERCOUNT, {TWTY_INT16, 0}, TWCC_BADVALUE},
        {CAP_UICONTROLLABLE, {TWTY_BOOL, 0}, TWCC_CAPBADOPERATION},
    };
    for (const set_case& c : cases) {
        const CapResult r = FlatbedSettings().set(c.cap, c.value);
        EXPECT_EQ(r.cc, c.cc) << "capability " << c.cap << ", item " << +c.value.Item;
        EXPECT_EQ(r.rc, c.cc == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE);
    }
    // The bit depth follows the pixel type: only its own depth is accepted.
    const TW_UINT16 depths[] = {1, 8, 24};
    for (TW_UINT16 type = TWPT_BW; type <= TWPT_RGB; ++type) {
        FlatbedSettings s;
        ASSERT_EQ(s.set(ICAP_PIXELTYPE, {TWTY_UINT16, type}).rc, TWRC_SUCCESS);
        for (TW_UINT16 depth : depths)
            EXPECT_EQ(s.set(ICAP_BITDEPTH, {TWTY_UINT16, depth}).rc == TWRC_SUCCESS, depth == depths[type]) << depth;
    }
}

TEST(VirtualScanner, FrameAndPageSize) {
    struct frame_case {
        double l, t, r, b, dpi;
        TW_UINT16 rc;
        std::int32_t width, height;
    };
    const double w = FlatbedSettings::kBedWidth, h = FlatbedSettings::kBedHeight;
    const frame_case cases[] = {
        {0, 0, w, h, 1200, TWRC_SUCCESS, 9921, 14031},
        {1, 2, 3, 3, 150, TWRC_SUCCESS, 300, 150},
        {4, 10, 20, 20, 100, TWRC_CHECKSTATUS, 427, 169},  // past the bed: cut to it
    };
    for (const frame_case& c : cases) {
        FlatbedSettings s;
        ASSERT_EQ(s.set(ICAP_XRESOLUTION, fix_value(c.dpi)).rc, TWRC_SUCCESS);
        ASSERT_EQ(s.set(ICAP_YRESOLUTION, fix_value(c.dpi)).rc, TWRC_SUCCESS);
        TW_IMAGELAYOUT layout{};
        layout.Frame = {fix32_of(c.l), fix32_of(c.t), fix32_of(c.r), fix32_of(c.b)};
        EXPECT_EQ(s.set_layout(layout).rc, c.rc) << c.dpi;
        EXPECT_EQ(s.page().width, c.width);
        EXPECT_EQ(s.page().height, c.height);
    }
    TW_IMAGELAYOUT empty{};
    empty.Frame = {fix32_of(3), fix32_of(3), fix32_of(3), fix32_of(5)};
    EXPECT_EQ(FlatbedSettings().set_layout(empty).cc, TWCC_BADVALUE);
}

// The page as the control shows it: 0xRRGGBB pixels, top row first, read
// from the bottom-up DIB through its colour table.
std::vector<std::uint32_t> page_pixels(const PageFormat& f, const std::vector<std::uint8_t>& dib) {
    const std::size_t entries = f.bit_count <= 8 ? std::size_t{1} << f.bit_count : 0;
    const std::size_t stride = (static_cast<std::size_t>(f.width) * f.bit_count + 31) / 32 * 4;
    const std::uint8_t* rows = dib.data() + 40 + 4 * entries;
    auto entry = [&](std::size_t i) {
        const std::uint8_t* q = dib.data() + 40 + 4 * i;
        return std::uint32_t(q[2]) << 16 | std::uint32_t(q[1]) << 8 | q[0];
    };
    std::vector<std::uint32_t> rgb;
    for (std::int32_t y = 0; y < f.height; ++y) {
        const std::uint8_t* row = rows + stride * static_cast<std::size_t>(f.height - 1 - y);
        for (std::int32_t x = 0; x < f.width; ++x) {
            if (f.bit_count == 24)
                rgb.push_back(std::uint32_t(row[3 * x + 2]) << 16 | std::uint32_t(row[3 * x + 1]) << 8 | row[3 * x]);
            else if (f.bit_count == 8)
                rgb.push_back(entry(row[x]));
            else
                rgb.push_back(entry((row[x / 8] >> (7 - x % 8)) & 1));
        }
    }
    return rgb;
}

TEST(VirtualScanner, DrawsThePinnedPage) {
    for (const test::page_case& c : test::kPageCases) {
        FlatbedSettings s;
        ASSERT_EQ(s.set(ICAP_XRESOLUTION, fix_value(c.dpi)).rc, TWRC_SUCCESS);
        ASSERT_EQ(s.set(ICAP_YRESOLUTION, fix_value(c.dpi)).rc, TWRC_SUCCESS);
        ASSERT_EQ(s.set(ICAP_PIXELTYPE, {TWTY_UINT16, static_cast<TW_UINT32>(c.color_type)}).rc, TWRC_SUCCESS);
        // The whole bed, as the control asks for it.
        TW_IMAGELAYOUT layout{};
        layout.Frame = {fix32_of(0), fix32_of(0), fix32_of(FlatbedSettings::kBedWidth),
                        fix32_of(FlatbedSettings::kBedHeight)};
        ASSERT_NE(s.set_layout(layout).rc, TWRC_FAILURE);
        const PageFormat f = s.page();
        ASSERT_EQ(f.width, c.width);
        ASSERT_EQ(f.height, c.height);
        ASSERT_EQ(f.bit_count, c.bits);
        std::vector<std::uint8_t> dib(static_cast<std::size_t>(page_dib_bytes(f)));
        render_page(f, dib.data());
        EXPECT_EQ(test::page_digest(f.width, f.height, page_pixels(f, dib)), c.digest)
            << std::hex << "page at " << std::dec << c.dpi << " dpi, colour type " << c.color_type;
    }
}

}  // namespace
}  // namespace korvix::twain
