// The colour filters on tiny pictures: formulas, visited pixels, rounding,
// argument checks and progress.
#include <cmath>
#include <limits>

#include "test_support.h"

namespace korvix::test {
namespace {

constexpr std::int32_t rgb(int r, int g, int b) { return b | g << 8 | r << 16; }
constexpr std::int32_t grey(int v) { return rgb(v, v, v); }

TEST(GrayScale, WeightsAndRounding) {
  Picture24 p = make_picture(8, 1, {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 255),
                                    rgb(0, 16, 228), rgb(0, 18, 194), rgb(0, 0, 0), rgb(1, 1, 1)});
  p.grayscale();
  // 56.61, 180.285, 18.105, 255, 27.5 (tie, to even 28), 26.5 (tie, to 26), 0, 1.
  EXPECT_EQ((std::vector<std::int32_t>{grey(57), grey(180), grey(18), grey(255), grey(28), grey(26), grey(0),
                                       grey(1)}),
            pixels_of(p));
}

TEST(GrayScale, SameResultsAtEveryPositionOfAWideRow) {
  // Wide rows are done sixteen pixels at a time; the same colours must give
  // the same greys there, in the remainder, and on both sides of a group.
  const std::int32_t colours[] = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(0, 16, 228), rgb(0, 18, 194),
                                  rgb(255, 255, 255), rgb(3, 200, 77)};
  const std::int32_t greys[] = {grey(57), grey(180), grey(18), grey(28), grey(26), grey(255),
                                grey(148)};  // 147.533
  Picture24 p;
  p.create(37, 2);
  for (std::int32_t i = 0; i < 74; ++i) p.set_pixel(i % 37, i / 37, colours[i % 7]);
  p.grayscale();
  for (std::int32_t i = 0; i < 74; ++i) EXPECT_EQ(greys[i % 7], p.pixel(i % 37, i / 37)) << "pixel " << i;
}

TEST(BlackWhite, ThresholdAt192OnAnyChannel) {
  Picture24 p = make_picture(5, 1, {rgb(191, 191, 191), rgb(0, 0, 192), rgb(192, 0, 0), rgb(0, 192, 0),
                                    rgb(255, 255, 255)});
  p.black_white();
  EXPECT_EQ((std::vector<std::int32_t>{0, grey(255), grey(255), grey(255), grey(255)}), pixels_of(p));
}

TEST(BlackWhite, SameResultsAtEveryPositionOfAWideRow) {
  const std::int32_t colours[] = {rgb(191, 191, 191), rgb(0, 0, 192), rgb(192, 0, 0), rgb(0, 192, 0), 0,
                                  rgb(128, 64, 191)};
  const std::int32_t expected[] = {0, grey(255), grey(255), grey(255), 0, 0};
  Picture24 p;
  p.create(35, 2);
  for (std::int32_t i = 0; i < 70; ++i) p.set_pixel(i % 35, i / 35, colours[i % 6]);
  p.black_white();
  for (std::int32_t i = 0; i < 70; ++i) EXPECT_EQ(expected[i % 6], p.pixel(i % 35, i / 35)) << "pixel " << i;
}

TEST(Invert, NoChannelChosenDoesNothingAndReportsNothing) {
  Picture24 p = make_picture(2, 2, {1, 2, 3, 4});
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.invert(false, false, false);
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3, 4}), pixels_of(p));
  EXPECT_TRUE(recorder.calls.empty());
}

TEST(Invert, EachChannelAlone) {
  const std::int32_t original = rgb(10, 20, 30);
  const struct { bool r, g, b; std::int32_t expected; } cases[] = {
      {true, false, false, rgb(245, 20, 30)},
      {false, true, false, rgb(10, 235, 30)},
      {false, false, true, rgb(10, 20, 225)},
      {true, true, true, rgb(245, 235, 225)}};
  for (const auto& c : cases) {
    Picture24 p = make_picture(3, 1, {original, original, original});
    ProgressRecorder recorder;
    p.set_progress_listener(&recorder);
    p.invert(c.r, c.g, c.b);
    EXPECT_EQ(std::vector<std::int32_t>(3, c.expected), pixels_of(p));
    EXPECT_EQ(0, p.bits()[9] | p.bits()[10] | p.bits()[11]) << "padding";
    EXPECT_EQ((std::vector<std::int16_t>{100}), recorder.calls);
  }
}

TEST(Contrast, ZeroMakesVisitedPixelsGreyAndLeavesLastRowAndColumn) {
  Picture24 p = make_picture(3, 3, {rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9),
                                    rgb(10, 11, 12), rgb(13, 14, 15), rgb(16, 17, 18),
                                    rgb(19, 20, 21), rgb(22, 23, 24), rgb(25, 26, 27)});
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.contrast(0);
  EXPECT_EQ((std::vector<std::int32_t>{grey(128), grey(128), rgb(7, 8, 9),
                                       grey(128), grey(128), rgb(16, 17, 18),
                                       rgb(19, 20, 21), rgb(22, 23, 24), rgb(25, 26, 27)}),
            pixels_of(p));
  EXPECT_EQ((std::vector<std::int16_t>{0, 50}), recorder.calls) << "never reaches 100";
}

TEST(Contrast, ExactValuesClamp) {
  Picture24 p = make_picture(4, 2, {rgb(255, 0, 128), rgb(129, 127, 200), rgb(130, 126, 64), 0, 0, 0, 0, 0});
  Picture24 q(p);
  Picture24 r(p);
  p.contrast(300);  // 255 -> 38228 -> 255; 0 -> -38272 -> 0; 129 -> 428 -> 255; 127 -> -172 -> 0
  EXPECT_EQ(rgb(255, 0, 128), p.pixel(0, 0));
  EXPECT_EQ(rgb(255, 0, 255), p.pixel(1, 0));
  q.contrast(-1);  // 256 - v, clamped
  EXPECT_EQ(rgb(1, 255, 128), q.pixel(0, 0));
  EXPECT_EQ(rgb(127, 129, 56), q.pixel(1, 0));
  EXPECT_EQ(rgb(126, 130, 192), q.pixel(2, 0));
  r.contrast(std::numeric_limits<std::int32_t>::min());  // computed exactly, no wrap-around
  EXPECT_EQ(rgb(0, 255, 128), r.pixel(0, 0));
  EXPECT_EQ(rgb(0, 255, 0), r.pixel(1, 0));
}

TEST(Contrast, OneRowOrOneColumnVisitsNothingButReportsRows) {
  Picture24 row = make_picture(3, 1, {1, 2, 3});
  ProgressRecorder row_recorder;
  row.set_progress_listener(&row_recorder);
  row.contrast(0);
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3}), pixels_of(row));
  EXPECT_TRUE(row_recorder.calls.empty());

  Picture24 column = make_picture(1, 3, {1, 2, 3});
  ProgressRecorder column_recorder;
  column.set_progress_listener(&column_recorder);
  column.contrast(0);
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3}), pixels_of(column));
  EXPECT_EQ((std::vector<std::int16_t>{0, 50}), column_recorder.calls);
}

TEST(Brightness, ScalesByLevelOver255) {
  Picture24 p = make_picture(3, 1, {rgb(255, 1, 0), rgb(254, 2, 100), grey(128)});
  Picture24 same(p);
  p.brightness(128);
  // 255 -> 128, 1 -> 0.502 -> 1, 254 -> 127.498 -> 127, 2 -> 1.004 -> 1, 100 -> 50.196 -> 50, 128 -> 64.25 -> 64.
  EXPECT_EQ((std::vector<std::int32_t>{rgb(128, 1, 0), rgb(127, 1, 50), grey(64)}), pixels_of(p));
  Picture24 full(same);
  full.brightness(255);
  EXPECT_TRUE(full.compare(same));
  same.brightness(0);
  EXPECT_EQ(std::vector<std::int32_t>(3, 0), pixels_of(same));
}

TEST(Brightness, LevelOutsideRangeFailsBeforeAnyPixelChanges) {
  for (std::int32_t level : {-1, 256, 1000, std::numeric_limits<std::int32_t>::min()}) {
    Picture24 p = make_picture(2, 2, {0, grey(1), grey(200), grey(255)});
    ProgressRecorder recorder;
    p.set_progress_listener(&recorder);
    try {
      p.brightness(level);
      ADD_FAILURE() << level << " accepted";
    } catch (const picture24_error& e) {
      EXPECT_EQ(picture24_errc::overflow, e.code());
    }
    EXPECT_EQ((std::vector<std::int32_t>{0, grey(1), grey(200), grey(255)}), pixels_of(p)) << level;
    EXPECT_TRUE(recorder.calls.empty());
  }
}

TEST(Blur, FivePointSumWithTheUpLeftNeighbourAlreadyBlurred) {
  Picture24 p = make_picture(4, 4, {grey(10), grey(20), grey(30), grey(40),
                                    grey(50), grey(60), grey(70), grey(80),
                                    grey(90), grey(100), grey(110), grey(120),
                                    grey(130), grey(140), grey(150), grey(160)});
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.blur();
  // (1,1): 60+10+110+70+100 = 350 -> 70; (2,1): 70+20+120+80+110 -> 80;
  // (1,2): 100+50+150+110+140 -> 110; (2,2): 110+70(blurred)+160+120+150 = 610 -> 122.
  EXPECT_EQ((std::vector<std::int32_t>{grey(10), grey(20), grey(30), grey(40),
                                       grey(50), grey(70), grey(80), grey(80),
                                       grey(90), grey(110), grey(122), grey(120),
                                       grey(130), grey(140), grey(150), grey(160)}),
            pixels_of(p));
  EXPECT_EQ((std::vector<std::int16_t>{33, 67}), recorder.calls);
}

TEST(Blur, RoundsTheFifthToNearest) {
  // Centre sums 352 (70.4) and 353 (70.6) on blue and green; red 0.
  Picture24 p = make_picture(3, 3, {rgb(0, 11, 10), 0, 0,
                                    0, rgb(0, 61, 61), rgb(0, 70, 70),
                                    0, rgb(0, 100, 100), rgb(0, 111, 111)});
  p.blur();
  EXPECT_EQ(rgb(0, 71, 70), p.pixel(1, 1));
}

TEST(Blur, SmallPicturesStayButReportInnerRows) {
  Picture24 two = make_picture(2, 2, {1, 2, 3, 4});
  ProgressRecorder two_recorder;
  two.set_progress_listener(&two_recorder);
  two.blur();
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3, 4}), pixels_of(two));
  EXPECT_TRUE(two_recorder.calls.empty());

  Picture24 narrow = make_picture(2, 3, {1, 2, 3, 4, 5, 6});
  ProgressRecorder narrow_recorder;
  narrow.set_progress_listener(&narrow_recorder);
  narrow.blur();
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}), pixels_of(narrow));
  EXPECT_EQ((std::vector<std::int16_t>{50}), narrow_recorder.calls);
}

TEST(Sharpen, PushesAwayFromTheLowerRightNeighbour) {
  Picture24 p = make_picture(3, 2, {rgb(100, 101, 10), rgb(7, 7, 7), rgb(1, 2, 3),
                                    rgb(9, 9, 9), rgb(60, 100, 200), rgb(5, 5, 5)});
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.sharpen(0.5f);
  // (0,0) against (1,1): red 100 + 20 = 120; green 101 + 0.5 = 101.5 -> 102
  // (tie to even); blue 10 - 95 = -85 -> 0 (clamped). (1,0) against (2,1): 7 + 1 = 8.
  EXPECT_EQ((std::vector<std::int32_t>{rgb(120, 102, 0), grey(8), rgb(1, 2, 3),
                                       grey(9), rgb(60, 100, 200), grey(5)}),
            pixels_of(p));
  EXPECT_EQ((std::vector<std::int16_t>{0}), recorder.calls);
  Picture24 tie = make_picture(2, 2, {grey(100), 0, 0, grey(99)});
  tie.sharpen(0.5f);  // 100.5 -> 100
  EXPECT_EQ(grey(100), tie.pixel(0, 0));
}

TEST(Sharpen, OneColumnChangesNothingButReportsRows) {
  Picture24 p = make_picture(1, 4, {1, 2, 3, 4});
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.sharpen(2.0f);
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3, 4}), pixels_of(p));
  EXPECT_EQ((std::vector<std::int16_t>{0, 33, 67}), recorder.calls);
}

TEST(Sharpen, LargeAmountsAreFineWhileTheIntermediateFits) {
  // 255 + 255 * 127 = 32640 fits; a flat picture never overflows.
  Picture24 p = make_picture(2, 2, {grey(255), 0, 0, grey(0)});
  p.sharpen(127.0f);
  EXPECT_EQ(grey(255), p.pixel(0, 0));
  Picture24 flat;
  flat.create(3, 3, grey(77));
  flat.sharpen(1e30f);
  EXPECT_EQ(std::vector<std::int32_t>(9, grey(77)), pixels_of(flat));
}

TEST(Sharpen, OverflowFailsBeforeAnyPixelChanges) {
  const float amounts[] = {128.0f, -130.0f, 1e30f, std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
  for (float amount : amounts) {
    // The overflowing pair (255 against 0) is the last visited pixel.
    Picture24 p = make_picture(3, 3, {grey(10), grey(20), grey(30),
                                      grey(40), grey(255), grey(60),
                                      grey(70), grey(80), grey(0)});
    const auto before = p.bits();
    ProgressRecorder recorder;
    p.set_progress_listener(&recorder);
    try {
      p.sharpen(amount);
      ADD_FAILURE() << amount << " accepted";
    } catch (const picture24_error& e) {
      EXPECT_EQ(picture24_errc::overflow, e.code());
    }
    EXPECT_EQ(before, p.bits()) << amount;
    EXPECT_TRUE(recorder.calls.empty());
  }
}

TEST(Lightness, DoublingMidGreyCapsAtWhite) {
  Picture24 p = make_picture(2, 1, {grey(128), grey(100)});
  p.lightness(100);
  EXPECT_EQ(grey(255), p.pixel(0, 0));  // 1.0039 capped at 1
  EXPECT_EQ(grey(200), p.pixel(1, 0));
}

TEST(Lightness, MinusHundredAndBelowGiveBlack) {
  for (std::int32_t percent : {-100, -150, -1000000}) {
    Picture24 p = make_picture(3, 1, {rgb(255, 0, 255), grey(255), rgb(10, 200, 30)});
    p.lightness(percent);
    EXPECT_EQ(std::vector<std::int32_t>(3, 0), pixels_of(p)) << percent;
  }
}

TEST(Lightness, FactorIsRoundedToSingleAtEveryStep) {
  // Pure blue 25 at 18 %: L = 25/510 and L' = 2 L' / 2 lands on the tie
  // 29.5 / 255 only with the factor rounded once from double (29); with
  // single(18) / 100 + 1 each rounded to single it is just above (30).
  Picture24 p = make_picture(1, 1, {rgb(0, 0, 25)});
  p.lightness(18);
  EXPECT_EQ(rgb(0, 0, 30), p.pixel(0, 0));
}

TEST(Lightness, KeepsHueWhileScaling) {
  Picture24 p = make_picture(1, 1, {rgb(200, 100, 0)});  // H = 0.5, S = 1, L = 0.392
  p.lightness(-50);
  // L' = 0.196: m1 = 0, m2 = 0.392: r = 100, g = 50, b = 0.
  EXPECT_EQ(rgb(100, 50, 0), p.pixel(0, 0));
}

}  // namespace
}  // namespace korvix::test
