// The virtual flatbed: what it accepts and refuses in negotiation, what its
// gets answer, the frame, and the page it draws at every pixel type.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "twain/dib_layout.h"
#include "twain/virtual_scanner/cap_container.h"
#include "twain/virtual_scanner/flatbed_settings.h"
#include "twain/virtual_scanner/test_page.h"

namespace korvix::twain {
namespace {

TW_ONEVALUE fix_value(double v) { return {TWTY_FIX32, fix32_item(fix32_of(v))}; }

struct set_case {
    const char* name;
    TW_UINT16 cap;
    TW_ONEVALUE value;
    TW_UINT16 rc, cc;
};

TEST(VirtualScanner, AcceptsWhatAFlatbedCanDoAndRefusesTheRest) {
    const set_case cases[] = {
        {"indicators off", CAP_INDICATORS, {TWTY_BOOL, 0}, TWRC_SUCCESS, TWCC_SUCCESS},
        {"indicators 2", CAP_INDICATORS, {TWTY_BOOL, 2}, TWRC_FAILURE, TWCC_BADVALUE},
        {"50 dpi", ICAP_XRESOLUTION, fix_value(50), TWRC_SUCCESS, TWCC_SUCCESS},
        {"1200 dpi", ICAP_YRESOLUTION, fix_value(1200), TWRC_SUCCESS, TWCC_SUCCESS},
        {"49.5 dpi", ICAP_XRESOLUTION, fix_value(49.5), TWRC_FAILURE, TWCC_BADVALUE},
        {"1201 dpi", ICAP_YRESOLUTION, fix_value(1201), TWRC_FAILURE, TWCC_BADVALUE},
        {"resolution as an integer", ICAP_XRESOLUTION, {TWTY_UINT16, 300}, TWRC_FAILURE, TWCC_BADVALUE},
        {"pixel type 3", ICAP_PIXELTYPE, {TWTY_UINT16, 3}, TWRC_FAILURE, TWCC_BADVALUE},
        {"one image", CAP_XFERCOUNT, {TWTY_INT16, 1}, TWRC_SUCCESS, TWCC_SUCCESS},
        {"any number of images", CAP_XFERCOUNT, {TWTY_INT16, 0xFFFF}, TWRC_SUCCESS, TWCC_SUCCESS},
        {"no image", CAP_XFERCOUNT, {TWTY_INT16, 0}, TWRC_FAILURE, TWCC_BADVALUE},
        {"inches", ICAP_UNITS, {TWTY_UINT16, TWUN_INCHES}, TWRC_SUCCESS, TWCC_SUCCESS},
        {"centimetres", ICAP_UNITS, {TWTY_UINT16, 1}, TWRC_FAILURE, TWCC_BADVALUE},
        {"native transfer", ICAP_XFERMECH, {TWTY_UINT16, TWSX_NATIVE}, TWRC_SUCCESS, TWCC_SUCCESS},
        {"file transfer", ICAP_XFERMECH, {TWTY_UINT16, 1}, TWRC_FAILURE, TWCC_BADVALUE},
        {"interface controllable is read-only", CAP_UICONTROLLABLE, {TWTY_BOOL, 0}, TWRC_FAILURE,
         TWCC_CAPBADOPERATION},
        {"bed width is read-only", ICAP_PHYSICALWIDTH, fix_value(5), TWRC_FAILURE, TWCC_CAPBADOPERATION},
        {"unknown capability", 0x8001, {TWTY_UINT16, 1}, TWRC_FAILURE, TWCC_CAPUNSUPPORTED},
    };
    for (const set_case& c : cases) {
        SCOPED_TRACE(c.name);
        FlatbedSettings s;
        const CapResult r = s.set(c.cap, c.value);
        EXPECT_EQ(r.rc, c.rc);
        EXPECT_EQ(r.cc, c.cc);
    }
    // The bit depth follows the pixel type: only its own depth is accepted.
    const TW_UINT16 depths[] = {1, 8, 24};
    for (TW_UINT16 type = TWPT_BW; type <= TWPT_RGB; ++type) {
        FlatbedSettings s;
        ASSERT_EQ(s.set(ICAP_PIXELTYPE, {TWTY_UINT16, type}).rc, TWRC_SUCCESS);
        for (TW_UINT16 depth : depths)
            EXPECT_EQ(s.set(ICAP_BITDEPTH, {TWTY_UINT16, depth}).rc, depth == depths[type] ? TWRC_SUCCESS : TWRC_FAILURE)
                << "type " << type << " depth " << depth;
        EXPECT_EQ(s.page().bit_count, depths[type]);
    }
}

TEST(VirtualScanner, GetsAnswerWithTheirContainers) {
    FlatbedSettings s;
    ASSERT_EQ(s.set(ICAP_PIXELTYPE, {TWTY_UINT16, TWPT_GRAY}).rc, TWRC_SUCCESS);
    ASSERT_EQ(s.set(ICAP_XRESOLUTION, fix_value(300)).rc, TWRC_SUCCESS);

    CapContainer c;
    ASSERT_EQ(s.get(ICAP_PIXELTYPE, MSG_GET, c).rc, TWRC_SUCCESS);
    std::vector<std::uint8_t> bytes = pack(c);
    ASSERT_EQ(bytes.size(), sizeof(TW_ENUMERATION) + 3 * 2);
    TW_ENUMERATION e;
    std::memcpy(&e, bytes.data(), sizeof e);
    EXPECT_EQ(e.ItemType, TWTY_UINT16);
    EXPECT_EQ(+e.NumItems, 3u);
    EXPECT_EQ(+e.CurrentIndex, 1u);
    EXPECT_EQ(+e.DefaultIndex, 2u);
    EXPECT_EQ(bytes[sizeof e + 4], TWPT_RGB);

    ASSERT_EQ(s.get(ICAP_XRESOLUTION, MSG_GET, c).rc, TWRC_SUCCESS);
    bytes = pack(c);
    TW_RANGE r;
    ASSERT_EQ(bytes.size(), sizeof r);
    std::memcpy(&r, bytes.data(), sizeof r);
    EXPECT_EQ(fix32_value(fix32_from_item(r.MinValue)), 50);
    EXPECT_EQ(fix32_value(fix32_from_item(r.MaxValue)), 1200);
    EXPECT_EQ(fix32_value(fix32_from_item(r.CurrentValue)), 300);
    EXPECT_EQ(fix32_value(fix32_from_item(r.DefaultValue)), 100);

    // What the control's driver asks: one values.
    TW_ONEVALUE one;
    ASSERT_EQ(s.get(CAP_UICONTROLLABLE, MSG_GET, c).rc, TWRC_SUCCESS);
    bytes = pack(c);
    ASSERT_TRUE(read_one_value(c.con_type, bytes.data(), bytes.size(), one));
    EXPECT_EQ(one.ItemType, TWTY_BOOL);
    EXPECT_EQ(+one.Item, 1u);
    ASSERT_EQ(s.get(ICAP_PHYSICALWIDTH, MSG_GET, c).rc, TWRC_SUCCESS);
    EXPECT_NEAR(fix32_value(fix32_from_item(c.items[0])), 8.2677, 1e-4);
    ASSERT_EQ(s.get(ICAP_PHYSICALHEIGHT, MSG_GET, c).rc, TWRC_SUCCESS);
    EXPECT_NEAR(fix32_value(fix32_from_item(c.items[0])), 11.6929, 1e-4);

    // Current, default and reset.
    ASSERT_EQ(s.get(ICAP_PIXELTYPE, MSG_GETCURRENT, c).rc, TWRC_SUCCESS);
    EXPECT_EQ(c.items, std::vector<TW_UINT32>{TWPT_GRAY});
    ASSERT_EQ(s.get(ICAP_PIXELTYPE, MSG_GETDEFAULT, c).rc, TWRC_SUCCESS);
    EXPECT_EQ(c.items, std::vector<TW_UINT32>{TWPT_RGB});
    ASSERT_EQ(s.get(ICAP_PIXELTYPE, MSG_RESET, c).rc, TWRC_SUCCESS);
    EXPECT_EQ(s.pixel_type(), TWPT_RGB);
    EXPECT_EQ(s.get(0x8001, MSG_GET, c).cc, TWCC_CAPUNSUPPORTED);
    EXPECT_FALSE(read_one_value(TWON_ONEVALUE, bytes.data(), 5, one)) << "a 5-byte one-value is not read";
}

TEST(VirtualScanner, FrameAndPageSize) {
    struct frame_case {
        const char* name;
        double l, t, r, b, dpi;
        TW_UINT16 rc;
        std::int32_t width, height;
    };
    const double w = FlatbedSettings::kBedWidth, h = FlatbedSettings::kBedHeight;
    const frame_case cases[] = {
        {"A4 at 300 dpi", 0, 0, w, h, 300, TWRC_SUCCESS, 2480, 3508},
        {"A4 at 1200 dpi", 0, 0, w, h, 1200, TWRC_SUCCESS, 9921, 14031},
        {"a letter-size part", 0, 0, 8.5, 11, 100, TWRC_CHECKSTATUS, 827, 1100},
        {"a 2 x 1 inch window", 1, 2, 3, 3, 150, TWRC_SUCCESS, 300, 150},
        {"a frame past the bed is cut", 4, 10, 20, 20, 100, TWRC_CHECKSTATUS, 427, 169},
    };
    for (const frame_case& c : cases) {
        SCOPED_TRACE(c.name);
        FlatbedSettings s;
        ASSERT_EQ(s.set(ICAP_XRESOLUTION, fix_value(c.dpi)).rc, TWRC_SUCCESS);
        ASSERT_EQ(s.set(ICAP_YRESOLUTION, fix_value(c.dpi)).rc, TWRC_SUCCESS);
        TW_IMAGELAYOUT layout{};
        layout.Frame = {fix32_of(c.l), fix32_of(c.t), fix32_of(c.r), fix32_of(c.b)};
        EXPECT_EQ(s.set_layout(layout).rc, c.rc);
        EXPECT_EQ(s.page().width, c.width);
        EXPECT_EQ(s.page().height, c.height);
    }
    FlatbedSettings s;
    TW_IMAGELAYOUT empty{};
    empty.Frame = {fix32_of(3), fix32_of(3), fix32_of(3), fix32_of(5)};
    EXPECT_EQ(s.set_layout(empty).cc, TWCC_BADVALUE);
    // The 1200-dpi colour page still fits a 32-bit process: 417.6 MB.
    ASSERT_EQ(s.set(ICAP_XRESOLUTION, fix_value(1200)).rc, TWRC_SUCCESS);
    ASSERT_EQ(s.set(ICAP_YRESOLUTION, fix_value(1200)).rc, TWRC_SUCCESS);
    EXPECT_EQ(page_dib_bytes(s.page()), 40u + 29764u * 14031u);
}

// The page at 50 dpi in each pixel type: a valid DIB whose bands hold what
// they promise, and whose copied rows equal rows drawn one by one.
TEST(VirtualScanner, DrawsTheTestPage) {
    for (const std::uint16_t bits : {24, 8, 1}) {
        SCOPED_TRACE(bits);
        PageFormat f;
        f.width = 413;
        f.height = 585;
        f.bit_count = bits;
        f.x_dpi = f.y_dpi = 50;
        std::vector<std::uint8_t> dib(page_dib_bytes(f));
        render_page(f, dib.data());
        const DibCheck check = check_dib(dib.data(), dib.size());
        ASSERT_TRUE(check) << static_cast<int>(check.refusal);
        const DibLayout& l = check.layout;
        EXPECT_EQ(l.used_bytes, dib.size());
        EXPECT_EQ(l.x_pels_per_meter, 1969);
        // Pixel (x, y), top row first, as 0xRRGGBB through the table.
        auto at = [&](std::int32_t x, std::int32_t y) -> std::uint32_t {
            const std::uint8_t* row = dib.data() + l.pixel_offset + l.row_bytes * static_cast<std::size_t>(f.height - 1 - y);
            std::uint32_t index;
            if (bits == 24) return row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x];
            index = bits == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
            const std::uint8_t* entry = dib.data() + l.palette_offset + 4 * index;
            return entry[2] << 16 | entry[1] << 8 | entry[0];
        };
        auto grey = [](std::uint32_t rgb) {
            return (77 * (rgb >> 16) + 150 * ((rgb >> 8) & 0xFF) + 29 * (rgb & 0xFF) + 128) >> 8;
        };
        auto expected = [&](std::int32_t x, std::int32_t y) -> std::uint32_t {
            const std::uint32_t rgb = page_colour(f, x, y);
            if (bits == 24) return rgb;
            const std::uint32_t g = bits == 8 ? grey(rgb) : grey(rgb) >= 128 ? 255 : 0;
            return g << 16 | g << 8 | g;
        };
        for (std::int32_t y = 0; y < f.height; ++y)
            for (std::int32_t x = 0; x < f.width; ++x)
                ASSERT_EQ(at(x, y), expected(x, y)) << x << "," << y;

        if (bits != 24) continue;
        // The bands: eight bars, a rising ramp, a tick every tenth of an
        // inch, one-pixel lines.
        for (int bar = 0; bar < 8; ++bar) EXPECT_EQ(at(f.width * (2 * bar + 1) / 16, 100), kColourBars[bar]);
        const std::int32_t ramp = 250;  // 5 inches down
        EXPECT_LT(at(2, ramp) & 0xFF, 4u);
        EXPECT_GT(at(f.width - 2, ramp) & 0xFF, 250u);
        for (std::int32_t x = 1; x < f.width; ++x) EXPECT_GE(at(x, ramp) & 0xFF, at(x - 1, ramp) & 0xFF);
        int ticks = 0;
        for (std::int32_t x = 0; x < f.width; ++x) ticks += at(x, 305) == 0;
        EXPECT_EQ(ticks, 83);  // 0.0, 0.1, ... 8.2 inches
        EXPECT_NE(at(10, 400), at(11, 400));    // vertical lines on the left
        EXPECT_NE(at(300, 400), at(300, 401));  // horizontal lines on the right
    }
}

}  // namespace
}  // namespace korvix::twain
