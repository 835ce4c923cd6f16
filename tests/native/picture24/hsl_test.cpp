// RGB <-> HSL conversions and the three-way extremes.
#include <cmath>
#include <limits>

#include "test_support.h"

namespace korvix::test {
namespace {

TEST(RgbToHsl, PrimariesAndMagenta) {
  const struct { int r, g, b; float h, s, l; } cases[] = {
      {255, 0, 0, 0.0f, 1.0f, 0.5f},   {0, 255, 0, 2.0f, 1.0f, 0.5f},  {0, 0, 255, 4.0f, 1.0f, 0.5f},
      {255, 0, 255, -1.0f, 1.0f, 0.5f}, {255, 255, 0, 1.0f, 1.0f, 0.5f}, {0, 255, 255, 3.0f, 1.0f, 0.5f},
      {0, 0, 0, 0.0f, 0.0f, 0.0f},      {255, 255, 255, 0.0f, 0.0f, 1.0f}};
  for (const auto& c : cases) {
    float h = 99, s = 99, l = 99;
    Picture24::rgb_to_hsl(c.r, c.g, c.b, h, s, l);
    EXPECT_EQ(c.h, h) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(c.s, s) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(c.l, l) << c.r << "," << c.g << "," << c.b;
  }
}

TEST(RgbToHsl, TiesForTheMaximumPreferRedThenGreen) {
  float h, s, l;
  Picture24::rgb_to_hsl(200, 200, 100, h, s, l);  // red and green tie: (g - b) / d
  EXPECT_EQ(1.0f, h);
  Picture24::rgb_to_hsl(50, 200, 200, h, s, l);  // green and blue tie: (b - r) / d + 2
  EXPECT_EQ(3.0f, h);
  Picture24::rgb_to_hsl(200, 50, 200, h, s, l);  // red and blue tie: (g - b) / d
  EXPECT_EQ(-1.0f, h);
}

TEST(RgbToHsl, SaturationUsesTheUpperFormulaAboveHalfLightness) {
  float h, s, l;
  Picture24::rgb_to_hsl(255, 128, 128, h, s, l);
  const float max = 1.0f, min = static_cast<float>(128 * (1.0 / 255.0));
  EXPECT_GT(l, 0.5f);
  EXPECT_EQ((max - min) / (2.0f - max - min), s);
  EXPECT_FLOAT_EQ(1.0f, s);
}

TEST(HslToRgb, MagentaRoundTrips) {
  std::int32_t r = -7, g = -7, b = -7;
  Picture24::hsl_to_rgb(-1.0f, 1.0f, 0.5f, r, g, b);
  EXPECT_EQ(255, r);
  EXPECT_EQ(0, g);
  EXPECT_EQ(255, b);
}

TEST(HslToRgb, EverySector) {
  const struct { float h; int r, g, b; } cases[] = {
      {-0.5f, 255, 0, 128}, {0.5f, 255, 128, 0}, {1.5f, 128, 255, 0},
      {2.5f, 0, 255, 128},  {3.5f, 0, 128, 255}, {4.5f, 128, 0, 255}};
  for (const auto& c : cases) {
    std::int32_t r, g, b;
    Picture24::hsl_to_rgb(c.h, 1.0f, 0.5f, r, g, b);
    // 127.5 rounds to even: 128.
    EXPECT_EQ(c.r, r) << c.h;
    EXPECT_EQ(c.g, g) << c.h;
    EXPECT_EQ(c.b, b) << c.h;
  }
}

TEST(HslToRgb, GreyIgnoresHue) {
  std::int32_t r, g, b;
  Picture24::hsl_to_rgb(3.3f, 0.0f, 0.5f, r, g, b);
  EXPECT_EQ(128, r);  // 127.5 -> 128
  EXPECT_EQ(128, g);
  EXPECT_EQ(128, b);
}

TEST(HslToRgb, ResultsBeyond32BitsAreRejected) {
  std::int32_t r = 1, g = 2, b = 3;
  EXPECT_THROW(Picture24::hsl_to_rgb(0.0f, 0.0f, 1e10f, r, g, b), picture24_error);
  EXPECT_THROW(Picture24::hsl_to_rgb(0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN(), r, g, b),
               picture24_error);
  EXPECT_EQ(1, r);
  EXPECT_EQ(2, g);
  EXPECT_EQ(3, b);
  Picture24::hsl_to_rgb(0.0f, 0.0f, 1e6f, r, g, b);  // large but representable
  EXPECT_EQ(255000000, r);
}

TEST(HslToRgb, AgreesWithTheReferenceOnEveryGreyAndManyColours) {
  std::mt19937 rng(6);
  for (int i = 0; i < 200000; ++i) {
    const int R = static_cast<int>(rng() % 256), G = static_cast<int>(rng() % 256), B = static_cast<int>(rng() % 256);
    float h, s, l, rh, rs, rl;
    Picture24::rgb_to_hsl(R, G, B, h, s, l);
    reference::rgb_to_hsl(R, G, B, rh, rs, rl);
    ASSERT_EQ(rh, h);
    ASSERT_EQ(rs, s);
    ASSERT_EQ(rl, l);
    std::int32_t r, g, b;
    std::int64_t er, eg, eb;
    Picture24::hsl_to_rgb(h, s, l, r, g, b);
    reference::hsl_to_rgb(h, s, l, er, eg, eb);
    ASSERT_EQ(er, r);
    ASSERT_EQ(eg, g);
    ASSERT_EQ(eb, b);
  }
}

TEST(Extremes, Max3AndMin3) {
  EXPECT_EQ(3.0f, Picture24::max3(1.0f, 3.0f, 2.0f));
  EXPECT_EQ(3.0f, Picture24::max3(3.0f, 1.0f, 2.0f));
  EXPECT_EQ(3.0f, Picture24::max3(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(-2.0f, Picture24::min3(1.0f, -2.0f, 0.0f));
  EXPECT_EQ(-2.0f, Picture24::min3(-2.0f, 1.0f, 0.0f));
  EXPECT_EQ(-2.0f, Picture24::min3(1.0f, 0.0f, -2.0f));
}

}  // namespace
}  // namespace korvix::test
