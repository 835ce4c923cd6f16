// The virtual flatbed: what it accepts in negotiation, and the frame. (Its
// A4 bed and the page it draws are checked through the whole scan under Wine.)
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace korvix::twain
