// The picture's own nearest-pixel Resize set against the platform's
// stretching copies without smoothing (StretchBlt in COLORONCOLOR mode and
// CopyImage to a new size). Each source pixel carries its own coordinates,
// so every output pixel tells which source pixel it was taken from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "picture24/win/picture_conversion.h"
#include "tests/wine/picture24/test_pictures.h"

namespace korvix {
namespace {

constexpr uint8_t kMark = 0x5a;  // red of every source pixel: proves no blending

// Source pixel (x, y) = blue x, green y.
Picture24 coordinate_picture(int width, int height) {
    Picture24 p;
    p.create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.set_pixel(x, y, x | y << 8 | kMark << 16);
    return p;
}

struct Sampled {
    int width = 0, height = 0;
    std::vector<test::Bgr> pixels;  // row-major
    const test::Bgr& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

Sampled from_picture(const Picture24& p) {
    Sampled s{p.width(), p.height(), {}};
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const uint8_t* q = p.row(y) + size_t(x) * 3;
            s.pixels.push_back(test::Bgr{q[0], q[1], q[2]});
        }
    return s;
}

Sampled from_bitmap(HBITMAP bitmap) {
    const test::Pixels24 read = test::read_bitmap24(bitmap);
    return Sampled{read.width, read.height, read.pixels};
}

Sampled platform_stretchblt(const Picture24& source, int width, int height) {
    unique_hbitmap from = make_dib_section(source);
    Picture24 blank;
    blank.create(width, height);
    unique_hbitmap to = make_dib_section(blank);
    unique_hdc from_dc(::CreateCompatibleDC(nullptr)), to_dc(::CreateCompatibleDC(nullptr));
    {
        select_scope a(from_dc.get(), from.get()), b(to_dc.get(), to.get());
        ::SetStretchBltMode(to_dc.get(), COLORONCOLOR);
        ::StretchBlt(to_dc.get(), 0, 0, width, height, from_dc.get(), 0, 0, source.width(), source.height(), SRCCOPY);
        ::GdiFlush();
    }
    return from_bitmap(to.get());
}

Sampled platform_copyimage(const Picture24& source, int width, int height) {
    unique_hbitmap from = make_dib_section(source);
    unique_hbitmap copy(static_cast<HBITMAP>(::CopyImage(from.get(), IMAGE_BITMAP, width, height, 0)));
    if (copy.get() == from.get()) copy.release();
    return copy ? from_bitmap(copy.get()) : from_bitmap(from.get());
}

struct Comparison {
    int differing = 0;           // output pixels taken from another source pixel
    int max_dx = 0, max_dy = 0;  // largest distance between the two picks, per axis
    int outside = 0;             // platform picks more than one pixel off the footprint
};

// Output pixel x covers source [x * from / to, (x + 1) * from / to); a
// nearest-pixel pick lies in (or, rounding differently, next to) that span.
bool near_footprint(int pick, int x, int from, int to) {
    const int first = int((int64_t(x) * from) / to);
    const int last = int((int64_t(x + 1) * from + to - 1) / to) - 1;
    return pick >= first - 1 && pick <= last + 1;
}

bool inside_footprint(int pick, int x, int from, int to) {
    const int first = int((int64_t(x) * from) / to);
    const int last = int((int64_t(x + 1) * from + to - 1) / to) - 1;
    return pick >= first && pick <= last;
}

// Both results must be pure samples of the source (no smoothing).
Comparison compare(const Sampled& ours, const Sampled& theirs, int from_w, int from_h) {
    Comparison c;
    EXPECT_EQ(ours.width, theirs.width);
    EXPECT_EQ(ours.height, theirs.height);
    if (ours.width != theirs.width || ours.height != theirs.height) return c;
    for (int y = 0; y < ours.height; ++y)
        for (int x = 0; x < ours.width; ++x) {
            const test::Bgr a = ours.at(x, y), b = theirs.at(x, y);
            EXPECT_EQ(a.r, kMark) << "ours blended at " << x << "," << y;
            EXPECT_EQ(b.r, kMark) << "platform blended at " << x << "," << y;
            EXPECT_TRUE(inside_footprint(a.b, x, from_w, ours.width)) << "ours x " << x << " took " << int(a.b);
            EXPECT_TRUE(inside_footprint(a.g, y, from_h, ours.height)) << "ours y " << y << " took " << int(a.g);
            if (!near_footprint(b.b, x, from_w, ours.width) || !near_footprint(b.g, y, from_h, ours.height))
                ++c.outside;
            if (a != b) ++c.differing;
            c.max_dx = std::max(c.max_dx, std::abs(int(a.b) - int(b.b)));
            c.max_dy = std::max(c.max_dy, std::abs(int(a.g) - int(b.g)));
        }
    return c;
}

struct SizeCase {
    int from_w, from_h, to_w, to_h;
};

class ResizeAgainstPlatform : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ResizeAgainstPlatform, PicksTheSameOrANeighbouringSourcePixel) {
    const SizeCase c = GetParam();
    const Picture24 source = coordinate_picture(c.from_w, c.from_h);
    Picture24 resized = source;
    ASSERT_TRUE(resized.resize(c.to_w, c.to_h));
    const Sampled ours = from_picture(resized);
    const int total = c.to_w * c.to_h;

    const Comparison blt = compare(ours, platform_stretchblt(source, c.to_w, c.to_h), c.from_w, c.from_h);
    const Comparison copy = compare(ours, platform_copyimage(source, c.to_w, c.to_h), c.from_w, c.from_h);
    std::cout << "[ stretch ] " << c.from_w << "x" << c.from_h << " -> " << c.to_w << "x" << c.to_h
              << ": StretchBlt differs in " << blt.differing << "/" << total << " (max shift " << blt.max_dx << ","
              << blt.max_dy << "), CopyImage differs in " << copy.differing << "/" << total << " (max shift "
              << copy.max_dx << "," << copy.max_dy << ")"
              << (blt.outside + copy.outside ? " OFF-FOOTPRINT" : "") << "\n";
    RecordProperty("stretchblt_differing", blt.differing);
    RecordProperty("copyimage_differing", copy.differing);

    // Which pixel of a shrunk span is kept is a convention of each
    // implementation; every pick must still come from the output pixel's
    // footprint (the platform's within one pixel of it).
    EXPECT_EQ(blt.outside, 0);
    EXPECT_EQ(copy.outside, 0);
    if (c.from_w == c.to_w && c.from_h == c.to_h) {
        EXPECT_EQ(blt.differing, 0);
        EXPECT_EQ(copy.differing, 0);
    }
}

std::string size_name(const ::testing::TestParamInfo<SizeCase>& info) {
    const SizeCase& c = info.param;
    return std::to_string(c.from_w) + "x" + std::to_string(c.from_h) + "_to_" + std::to_string(c.to_w) + "x" +
           std::to_string(c.to_h);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResizeAgainstPlatform,
                         ::testing::Values(SizeCase{7, 5, 3, 2}, SizeCase{5, 3, 11, 7}, SizeCase{100, 80, 33, 57},
                                           SizeCase{4, 4, 8, 8}, SizeCase{8, 6, 4, 3}, SizeCase{3, 3, 8, 8},
                                           SizeCase{10, 1, 4, 1}, SizeCase{9, 7, 9, 7}, SizeCase{200, 150, 255, 40}),
                         size_name);

}  // namespace
}  // namespace korvix
