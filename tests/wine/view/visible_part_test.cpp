// The visible part blitted straight from the picture shows exactly the
// pixels of the whole-picture conversion cropped to the same rectangle: for
// every kind of bitmap a picture can hold, held in a device context or not,
// and every way the rectangle can meet the picture's edges. Nothing shows
// where there is nothing to show, and cut-outs leave nothing behind.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/picture24/test_pictures.h"
#include "view/visible_part.h"

namespace korvix {
namespace {

constexpr int kWidth = 37, kHeight = 23;  // odd sizes: padded rows everywhere

// Rectangles inside, across each edge, around the whole picture and wholly
// outside (where the box shows only black).
const PixelRect kParts[] = {{5, 3, 11, 7},        {-4, -2, 10, 9},  {30, 18, 12, 9}, {-3, -5, 45, 33},
                            {0, 0, kWidth, kHeight}, {40, 1, 8, 4},  {2, -30, 5, 6}, {36, 22, 1, 1}};

::testing::AssertionResult same_pixels(IPictureDisp* shown, IPictureDisp* expected) {
    const test::Pixels24 a = test::read_bitmap24(test::picture_handle(shown));
    const test::Pixels24 b = test::read_bitmap24(test::picture_handle(expected));
    if (b.width > 0 && a.width == b.width && a.height == b.height && a.pixels == b.pixels)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a.width << "x" << a.height << " against " << b.width << "x" << b.height;
}

TEST(VisiblePart, ShowsTheWholePictureConversionsPixels) {
    std::vector<std::pair<std::string, unique_hbitmap>> sources;
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (bool top_down : {true, false})
            sources.emplace_back(std::to_string(bpp) + (top_down ? " bpp top-down" : " bpp bottom-up"),
                                 test::make_pattern_dib(kWidth, kHeight, bpp, top_down));
    sources.emplace_back("screen-compatible", test::make_pattern_ddb(kWidth, kHeight));
    sources.emplace_back("monochrome", test::make_checker_mono_ddb(kWidth, kHeight));
    ViewportCanvas canvas;  // kept from part to part, as the view keeps it
    for (const auto& [name, bitmap] : sources) {
        com_ptr<IPictureDisp> picture = test::wrap_bitmap(bitmap.get(), false);
        for (const PixelRect& part : kParts)
            EXPECT_TRUE(same_pixels(canvas.show(picture.get(), part).get(),
                                    cut_out_through_whole_picture(picture.get(), part).get()))
                << name << " at " << part.left << "," << part.top << " " << part.width << "x" << part.height;
    }
}

// The picture keeps its bitmap selected (SelectPicture), or a host selected
// it into a context of its own: the part still shows.
TEST(VisiblePart, BitmapHeldInADeviceContextStillShows) {
    const PixelRect part{-2, 4, 20, 30};
    for (const bool by_picture : {true, false}) {
        unique_hbitmap bitmap = test::make_pattern_dib(kWidth, kHeight, 8, false);
        com_ptr<IPictureDisp> picture = test::wrap_bitmap(bitmap.get(), false);
        com_ptr<IPictureDisp> expected = cut_out_through_whole_picture(picture.get(), part);
        unique_hdc dc(::CreateCompatibleDC(nullptr));
        select_scope held(by_picture ? nullptr : dc.get(), bitmap.get());
        if (by_picture) {
            ASSERT_EQ(picture.query<IPicture>(IID_IPicture)->SelectPicture(dc.get(), nullptr, nullptr), S_OK);
        }
        ViewportCanvas canvas;
        EXPECT_TRUE(same_pixels(canvas.show(picture.get(), part).get(), expected.get())) << by_picture;
    }
}

TEST(VisiblePart, NothingToShowGivesNothing) {
    unique_hbitmap bitmap = test::make_pattern_dib(kWidth, kHeight, 24, true);
    com_ptr<IPictureDisp> pictures[] = {nullptr, test::make_empty_picture(), test::make_icon_picture(),
                                        test::wrap_bitmap(bitmap.get(), false)};
    ViewportCanvas canvas;
    for (int i = 0; i < 4; ++i)
        for (const PixelRect& part : {PixelRect{0, 0, 5, 5}, PixelRect{0, 0, 0, 5}, PixelRect{0, 0, 5, -1}}) {
            const bool something = i == 3 && part.width > 0 && part.height > 0;  // the bitmap, a real size
            EXPECT_EQ(static_cast<bool>(canvas.show(pictures[i].get(), part)), something) << i << " " << part.width;
            EXPECT_EQ(static_cast<bool>(cut_out_through_whole_picture(pictures[i].get(), part)), something) << i;
        }
}

// Each canvas owns its bitmap, and letting it go frees bitmap and memory.
TEST(VisiblePart, RepeatedCutOutsLeaveNothingBehind) {
    unique_hbitmap bitmap = test::make_pattern_dib(800, 600, 24, false);
    com_ptr<IPictureDisp> picture = test::wrap_bitmap(bitmap.get(), false);
    const auto step = [&](int i) {
        ViewportCanvas canvas;
        return test::picture_handle(canvas.show(picture.get(), PixelRect{i % 300, i % 200, 400, 300}).get());
    };
    for (int i = 0; i < 20; ++i) step(i);
    const size_t before = hostkit::committed_private_bytes();
    for (int i = 0; i < 300; ++i) ASSERT_EQ(0u, ::GetObjectType(step(i))) << "step " << i;
    EXPECT_LE(hostkit::committed_private_bytes(), before + 256 * 1024);
}

}  // namespace
}  // namespace korvix
