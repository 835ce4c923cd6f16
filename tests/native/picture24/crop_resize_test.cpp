// Crop, resize and fitting into a box.
#include <climits>

#include "test_support.h"

namespace korvix::test {
namespace {

constexpr std::int32_t A = 0x0A0A0A, B = 0x0B0B0B, C = 0x0C0C0C, D = 0x0D0D0D;
constexpr std::int32_t E = 0x0E0E0E, F = 0x0F0F0F;

TEST(Crop, WholePictureIsIdentical) {
  std::mt19937 rng(2);
  Picture24 p = palette_picture(5, 4, rng, 50);
  Picture24 original(p);
  EXPECT_TRUE(p.crop(0, 0, 5, 4));
  EXPECT_TRUE(p.compare(original));
}

TEST(Crop, InsideRectangle) {
  Picture24 p = make_picture(3, 2, {A, B, C, D, E, F});
  EXPECT_TRUE(p.crop(1, 1, 2, 1));
  EXPECT_EQ(2, p.width());
  EXPECT_EQ(1, p.height());
  EXPECT_EQ((std::vector<std::int32_t>{E, F}), pixels_of(p));
  EXPECT_EQ(8u, p.stride());
  EXPECT_EQ(0, p.bits()[6]);
  EXPECT_EQ(0, p.bits()[7]);
}

TEST(Crop, NegativeLeftGivesBlackOnTheLeft) {
  Picture24 p = make_picture(4, 1, {A, B, C, D});
  EXPECT_TRUE(p.crop(-2, 0, 4, 1));
  EXPECT_EQ((std::vector<std::int32_t>{0, 0, A, B}), pixels_of(p));
}

TEST(Crop, RectangleOverEveryEdgeIsBlackOutside) {
  Picture24 p = make_picture(2, 2, {A, B, C, D});
  EXPECT_TRUE(p.crop(-1, -1, 4, 4));
  EXPECT_EQ((std::vector<std::int32_t>{0, 0, 0, 0,
                                       0, A, B, 0,
                                       0, C, D, 0,
                                       0, 0, 0, 0}),
            pixels_of(p));
}

TEST(Crop, RectangleWhollyOutsideIsAllBlack) {
  for (auto [left, top] : {std::pair{2, 0}, {0, 2}, {-5, 0}, {0, -9}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}}) {
    Picture24 p = make_picture(2, 2, {A, B, C, D});
    EXPECT_TRUE(p.crop(left, top, 3, 1)) << left << "," << top;
    EXPECT_EQ(std::vector<std::uint8_t>(12, 0), p.bits()) << left << "," << top;
  }
}

TEST(Crop, EmptyPictureReturnsFalse) {
  Picture24 p;
  EXPECT_FALSE(p.crop(0, 0, 2, 2));
  EXPECT_TRUE(p.empty());
}

TEST(Crop, SizeBelowOneFailsAndLeavesThePicture) {
  Picture24 p = make_picture(2, 1, {A, B});
  for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-3, 1}, {1, -3}}) {
    try {
      p.crop(0, 0, w, h);
      ADD_FAILURE() << w << "x" << h << " accepted";
    } catch (const picture24_error& e) {
      EXPECT_EQ(picture24_errc::invalid_size, e.code());
    }
    EXPECT_EQ((std::vector<std::int32_t>{A, B}), pixels_of(p));
  }
}

TEST(Crop, SizeTooLargeFailsAndLeavesThePicture) {
  Picture24 p = make_picture(2, 1, {A, B});
  try {
    p.crop(0, 0, 100000, 100000);
    ADD_FAILURE() << "accepted";
  } catch (const picture24_error& e) {
    EXPECT_EQ(picture24_errc::too_large, e.code());
  }
  EXPECT_EQ((std::vector<std::int32_t>{A, B}), pixels_of(p));
}


TEST(Resize, SameSizeIsIdentical) {
  std::mt19937 rng(3);
  Picture24 p = palette_picture(7, 5, rng, 30);
  Picture24 original(p);
  EXPECT_TRUE(p.resize(7, 5));
  EXPECT_TRUE(p.compare(original));
}

TEST(Resize, EnlargingRepeatsPixels) {
  Picture24 p = make_picture(2, 1, {A, B});
  EXPECT_TRUE(p.resize(5, 2));
  // floor(x * 2 / 5): 0, 0, 0, 1, 1.
  EXPECT_EQ((std::vector<std::int32_t>{A, A, A, B, B, A, A, A, B, B}), pixels_of(p));
}

TEST(Resize, ShrinkingSamplesFloorPositions) {
  Picture24 p = make_picture(6, 2, {A, B, C, D, E, F, F, E, D, C, B, A});
  EXPECT_TRUE(p.resize(4, 1));
  // floor(x * 6 / 4): 0, 1, 3, 4; row floor(0 * 2 / 1) = 0.
  EXPECT_EQ((std::vector<std::int32_t>{A, B, D, E}), pixels_of(p));
  EXPECT_EQ(12u, p.stride());
}

TEST(Resize, FailuresLeaveThePicture) {
  Picture24 p = make_picture(2, 1, {A, B});
  EXPECT_THROW(p.resize(0, 1), picture24_error);
  EXPECT_THROW(p.resize(1, INT32_MIN), picture24_error);
  EXPECT_THROW(p.resize(INT32_MAX, 2), picture24_error);
  EXPECT_EQ((std::vector<std::int32_t>{A, B}), pixels_of(p));
  Picture24 empty;
  EXPECT_FALSE(empty.resize(3, 3));
}

struct FitCase {
  std::int32_t width, height, box_width, box_height;
  bool enlarge;
  std::int32_t expected_width, expected_height;
};

class ResizeKeepAspect : public ::testing::TestWithParam<FitCase> {};

TEST_P(ResizeKeepAspect, GivesTheFittedSize) {
  const FitCase c = GetParam();
  Picture24 p;
  p.create(c.width, c.height, 0x123456);
  p.resize_keep_aspect(c.box_width, c.box_height, c.enlarge);
  EXPECT_EQ(c.expected_width, p.width());
  EXPECT_EQ(c.expected_height, p.height());
  EXPECT_EQ(0x123456, p.pixel(p.width() - 1, p.height() - 1));
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, ResizeKeepAspect,
    ::testing::Values(FitCase{400, 200, 100, 100, false, 100, 50},
                      FitCase{50, 20, 100, 100, false, 50, 20},   // would enlarge: nothing
                      FitCase{50, 20, 100, 100, true, 100, 40},
                      FitCase{200, 100, 99, 100, false, 99, 50},  // 49.5 -> 50
                      FitCase{200, 100, 97, 100, false, 97, 48},  // 48.5 -> 48
                      FitCase{100, 200, 100, 99, false, 50, 99},  // 49.5 -> 50, taller picture
                      FitCase{100, 200, 100, 97, false, 48, 97},  // 48.5 -> 48
                      FitCase{30, 40, 30, 40, true, 30, 40},      // box equals size: nothing
                      FitCase{40, 30, 60, 30, false, 40, 30},     // same height, narrower: 40x30 fits as is
                      FitCase{40, 30, 20, 60, false, 20, 15}));

TEST(ResizeKeepAspectFailures, BoxBelowOnePixelIsRejected) {
  Picture24 p;
  p.create(4, 2);
  for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-4, -2}}) {
    try {
      p.resize_keep_aspect(w, h, true);
      ADD_FAILURE() << w << "x" << h << " accepted";
    } catch (const picture24_error& e) {
      EXPECT_EQ(picture24_errc::invalid_size, e.code());
    }
    EXPECT_EQ(4, p.width());
  }
}

TEST(ResizeKeepAspectFailures, FittedSizeBelowOnePixelIsRejected) {
  Picture24 p;
  p.create(1000, 1, 0xFF);
  EXPECT_THROW(p.resize_keep_aspect(10, 10, false), picture24_error);  // 10 x 0.01
  EXPECT_EQ(1000, p.width());
  EXPECT_EQ(0xFF, p.pixel(999, 0));
}

TEST(ResizeKeepAspectFailures, EmptyPictureDoesNothing) {
  Picture24 p;
  p.resize_keep_aspect(0, 0, true);
  EXPECT_TRUE(p.empty());
}

}  // namespace
}  // namespace korvix::test
