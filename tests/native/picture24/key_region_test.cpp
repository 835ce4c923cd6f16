// Rectangles of the pixels that differ from a key colour.
#include "test_support.h"

namespace korvix::test {
namespace {

constexpr std::int32_t K = 0x00FF00, O = 0x123456;

using Rects = std::vector<RegionRect>;

TEST(KeyRegion, NoKeyPixelGivesTheFullRectangle) {
  Picture24 p = make_picture(3, 2, {O, O, O, O, 1, O});
  EXPECT_EQ((Rects{{0, 0, 3, 2}}), p.key_region_rects(K));
}

TEST(KeyRegion, AllKeyGivesNoRectangles) {
  Picture24 p = make_picture(2, 2, {K, K, K, K});
  EXPECT_TRUE(p.key_region_rects(K).empty());
}

TEST(KeyRegion, KeyOtherKeyLeavesTheMiddleSquare) {
  Picture24 p = make_picture(3, 1, {K, O, K});
  EXPECT_EQ((Rects{{1, 0, 2, 1}}), p.key_region_rects(K));
}

TEST(KeyRegion, RunReachingTheLastColumnIsRemovedWhole) {
  Picture24 p = make_picture(4, 1, {O, O, K, K});
  EXPECT_EQ((Rects{{0, 0, 2, 1}}), p.key_region_rects(K));
}

TEST(KeyRegion, KeyWithHighBitsMatchesNothing) {
  Picture24 p = make_picture(2, 1, {K, K});
  EXPECT_EQ((Rects{{0, 0, 2, 1}}), p.key_region_rects(K | 0x01000000));
  EXPECT_EQ((Rects{{0, 0, 2, 1}}), p.key_region_rects(static_cast<std::int32_t>(0x8000FF00u)));
}

TEST(KeyRegion, EmptyPictureGivesNoRectangles) {
  EXPECT_TRUE(Picture24().key_region_rects(0).empty());
}

TEST(KeyRegion, BandsAreMergedOnlyWhenIdenticalAndAdjacent) {
  // Rows 0-1 share spans, row 2 differs, row 3 is all key (gap), row 4 equals
  // rows 0-1 again but is not adjacent to them.
  Picture24 p = make_picture(5, 5, {O, K, O, O, K,
                                    O, K, O, O, K,
                                    K, O, O, K, O,
                                    K, K, K, K, K,
                                    O, K, O, O, K});
  EXPECT_EQ((Rects{{0, 0, 1, 2}, {2, 0, 4, 2},
                   {1, 2, 3, 3}, {4, 2, 5, 3},
                   {0, 4, 1, 5}, {2, 4, 4, 5}}),
            p.key_region_rects(K));
}

TEST(KeyRegion, ChangingPixelsDoesNotChangeTheHeldRegionFlag) {
  Picture24 p = make_picture(2, 1, {K, O});
  int deleted = 0;
  p.set_region(RegionHandle(&deleted, [](void* n) { ++*static_cast<int*>(n); }));
  p.mirror();
  EXPECT_TRUE(p.has_region());
  EXPECT_EQ((Rects{{0, 0, 1, 1}}), p.key_region_rects(K));
}

// Every rectangle list, for any picture, covers exactly the pixels that the
// run-by-run exclusive-or leaves, and is in canonical banded form.
void expect_canonical_cover(const Picture24& p, std::int32_t key) {
  const Rects rects = p.key_region_rects(key);
  const std::vector<bool> expected = reference::key_mask(to_reference(p), key);
  std::vector<int> cover(static_cast<std::size_t>(p.width()) * p.height(), 0);
  for (const RegionRect& r : rects) {
    ASSERT_LT(r.left, r.right);
    ASSERT_LT(r.top, r.bottom);
    ASSERT_GE(r.left, 0);
    ASSERT_GE(r.top, 0);
    ASSERT_LE(r.right, p.width());
    ASSERT_LE(r.bottom, p.height());
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) ++cover[static_cast<std::size_t>(y) * p.width() + x];
  }
  for (std::size_t i = 0; i < cover.size(); ++i)
    ASSERT_EQ(expected[i] ? 1 : 0, cover[i]) << "pixel " << i % p.width() << "," << i / p.width();
  // Bands: runs of equal (top, bottom), increasing, spans sorted and apart.
  std::size_t band_start = 0;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const bool same_band = i > band_start && rects[i].top == rects[band_start].top;
    if (i > band_start && !same_band) {
      ASSERT_GE(rects[i].top, rects[band_start].bottom) << "bands overlap";
      // Adjacent bands must differ in their spans, or they would be one band.
      if (rects[i].top == rects[band_start].bottom) {
        std::size_t next_end = i;
        while (next_end < rects.size() && rects[next_end].top == rects[i].top) ++next_end;
        bool identical = next_end - i == i - band_start;
        for (std::size_t k = 0; identical && k < i - band_start; ++k)
          identical = rects[band_start + k].left == rects[i + k].left && rects[band_start + k].right == rects[i + k].right;
        ASSERT_FALSE(identical) << "unmerged identical bands at row " << rects[i].top;
      }
      band_start = i;
    } else if (same_band) {
      ASSERT_EQ(rects[band_start].bottom, rects[i].bottom);
      ASSERT_LT(rects[i - 1].right, rects[i].left) << "touching or unsorted spans";
    }
  }
}

TEST(KeyRegion, RandomPicturesGiveCanonicalExactCover) {
  std::mt19937 rng(7);
  for (auto [w, h] : {std::pair{1, 1}, {3, 1}, {1, 9}, {5, 7}, {16, 16}, {37, 23}, {200, 50}}) {
    for (int colours : {1, 2, 3, 8}) {
      Picture24 p = palette_picture(w, h, rng, colours);
      expect_canonical_cover(p, p.pixel(0, 0));
      expect_canonical_cover(p, p.pixel(w - 1, h - 1));
    }
  }
  // Rows of repeated patterns produce tall merged bands.
  Picture24 stripes;
  stripes.create(40, 30, O);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      if ((x / 3 + y / 10) % 2 == 0) stripes.set_pixel(x, y, K);
  expect_canonical_cover(stripes, K);
  EXPECT_EQ(21u, stripes.key_region_rects(K).size()) << "three bands of 7 spans";
}

}  // namespace
}  // namespace korvix::test
