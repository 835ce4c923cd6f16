// The visible part blitted straight from the picture must show exactly the
// pixels of the whole-picture conversion cropped to the same rectangle, for
// every kind of bitmap a picture can hold and every way the rectangle can
// meet the picture's edges; and repeated cut-outs leave nothing behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/picture24/test_pictures.h"
#include "view/visible_part.h"

namespace korvix {
namespace {

// A new picture object of the part, as a fresh canvas shows it.
com_ptr<IPictureDisp> cut_out_visible_part(IPictureDisp* picture, const PixelRect& part) {
    ViewportCanvas canvas;
    return canvas.show(picture, part);
}

constexpr int kWidth = 37, kHeight = 23;  // odd sizes: padded rows everywhere

struct Source {
    std::string name;
    std::function<unique_hbitmap()> make;
};

std::vector<Source> sources() {
    std::vector<Source> all;
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (bool top_down : {true, false})
            all.push_back({std::to_string(bpp) + (top_down ? " bpp top-down" : " bpp bottom-up"),
                           [=] { return test::make_pattern_dib(kWidth, kHeight, bpp, top_down); }});
    all.push_back({"screen-compatible", [] { return test::make_pattern_ddb(kWidth, kHeight); }});
    all.push_back({"monochrome", [] { return test::make_checker_mono_ddb(kWidth, kHeight); }});
    return all;
}

// Rectangles inside, across each edge, around the whole picture and wholly
// outside (where the box shows only black).
const PixelRect kParts[] = {{5, 3, 11, 7},        {-4, -2, 10, 9},  {30, 18, 12, 9}, {-3, -5, 45, 33},
                            {0, 0, kWidth, kHeight}, {40, 1, 8, 4},  {2, -30, 5, 6}, {36, 22, 1, 1}};

std::string describe(const PixelRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ") " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

void expect_same_pixels(IPictureDisp* direct, IPictureDisp* whole, const std::string& what) {
    const test::Pixels24 a = test::read_bitmap24(test::picture_handle(direct));
    const test::Pixels24 b = test::read_bitmap24(test::picture_handle(whole));
    ASSERT_EQ(a.width, b.width) << what;
    ASSERT_EQ(a.height, b.height) << what;
    ASSERT_GT(a.width, 0) << what;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            ASSERT_EQ(a.at(x, y), b.at(x, y)) << what << " pixel " << x << "," << y;
}

TEST(VisiblePart, ShowsTheWholePictureConversionsPixels) {
    for (const Source& source : sources()) {
        unique_hbitmap bitmap = source.make();
        com_ptr<IPictureDisp> picture = test::wrap_bitmap(bitmap.get(), false);
        for (const PixelRect& part : kParts) {
            const std::string what = source.name + " " + describe(part);
            com_ptr<IPictureDisp> direct = cut_out_visible_part(picture.get(), part);
            com_ptr<IPictureDisp> whole = cut_out_through_whole_picture(picture.get(), part);
            expect_same_pixels(direct.get(), whole.get(), what);
        }
    }
}

// A picture keeps its bitmap selected while a host draws through its DC, or
// a host selects the bitmap into a context of its own: the part still shows.
TEST(VisiblePart, BitmapHeldInADeviceContextStillShows) {
    const PixelRect part{-2, 4, 20, 30};
    for (const bool through_picture : {true, false}) {
        unique_hbitmap bitmap = test::make_pattern_dib(kWidth, kHeight, 8, false);
        com_ptr<IPictureDisp> picture = test::wrap_bitmap(bitmap.get(), false);
        com_ptr<IPictureDisp> expected = cut_out_through_whole_picture(picture.get(), part);
        unique_hdc dc(::CreateCompatibleDC(nullptr));
        com_ptr<IPicture> pic = picture.query<IPicture>(IID_IPicture);
        HDC previous = nullptr;
        OLE_HANDLE previous_bitmap = 0;
        HGDIOBJ held = nullptr;
        if (through_picture)
            ASSERT_EQ(S_OK, pic->SelectPicture(dc.get(), &previous, &previous_bitmap));
        else
            held = ::SelectObject(dc.get(), bitmap.get());
        com_ptr<IPictureDisp> shown = cut_out_visible_part(picture.get(), part);
        expect_same_pixels(shown.get(), expected.get(), through_picture ? "SelectPicture" : "SelectObject");
        if (through_picture)
            pic->SelectPicture(previous, nullptr, nullptr);
        else
            ::SelectObject(dc.get(), held);
    }
}

TEST(VisiblePart, NothingToShowGivesNothing) {
    unique_hbitmap bitmap = test::make_pattern_dib(kWidth, kHeight, 24, true);
    com_ptr<IPictureDisp> picture = test::wrap_bitmap(bitmap.get(), false);
    const struct {
        const char* name;
        com_ptr<IPictureDisp> picture;
        PixelRect part;
    } cases[] = {{"Nothing", nullptr, {0, 0, 5, 5}},
                 {"empty picture", test::make_empty_picture(), {0, 0, 5, 5}},
                 {"icon", test::make_icon_picture(), {0, 0, 5, 5}},
                 {"zero width", picture, {0, 0, 0, 5}},
                 {"negative height", picture, {0, 0, 5, -1}}};
    for (const auto& c : cases) {
        EXPECT_FALSE(cut_out_visible_part(c.picture.get(), c.part)) << c.name;
        EXPECT_FALSE(cut_out_through_whole_picture(c.picture.get(), c.part)) << c.name;
    }
}

// Every cut-out owns its bitmap, and releasing it frees bitmap and memory.
TEST(VisiblePart, RepeatedCutOutsLeaveNothingBehind) {
    unique_hbitmap bitmap = test::make_pattern_dib(800, 600, 24, false);
    com_ptr<IPictureDisp> picture = test::wrap_bitmap(bitmap.get(), false);
    const auto step = [&](int i) {
        com_ptr<IPictureDisp> part = cut_out_visible_part(picture.get(), PixelRect{i % 300, i % 200, 400, 300});
        return test::picture_handle(part.get());
    };
    for (int i = 0; i < 20; ++i) step(i);
    const size_t before = hostkit::committed_private_bytes();
    for (int i = 0; i < 300; ++i) {
        const HBITMAP gone = step(i);
        ASSERT_EQ(0u, ::GetObjectType(gone)) << "step " << i;
    }
    EXPECT_LE(hostkit::committed_private_bytes(), before + 256 * 1024);
}

}  // namespace
}  // namespace korvix
