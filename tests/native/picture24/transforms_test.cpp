// Quarter turn, mirror and flip on tiny pictures, pixel by pixel.
#include "test_support.h"

namespace korvix::test {
namespace {

constexpr std::int32_t A = 0x0A0A0A, B = 0x0B0B0B, C = 0x0C0C0C, D = 0x0D0D0D;
constexpr std::int32_t E = 0x0E0E0E, F = 0x0F0F0F;

TEST(Rotate90, ThreeByTwoTurnsClockwise) {
  // A B C        D A
  // D E F   ->   E B
  //              F C
  Picture24 p = make_picture(3, 2, {A, B, C, D, E, F});
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.rotate90();
  EXPECT_EQ(2, p.width());
  EXPECT_EQ(3, p.height());
  EXPECT_EQ(8u, p.stride());
  EXPECT_EQ((std::vector<std::int32_t>{D, A, E, B, F, C}), pixels_of(p));
  EXPECT_EQ(A, p.pixel(1, 0));
  EXPECT_EQ(F, p.pixel(0, 2));
  EXPECT_EQ((std::vector<std::int16_t>{0, 100}), recorder.calls);  // one per old row
  const auto bytes = p.bits();
  for (int y = 0; y < 3; ++y) EXPECT_EQ(0, bytes[y * 8 + 6] | bytes[y * 8 + 7]) << "padding of row " << y;
}

TEST(Rotate90, HeightThreeReportsZeroFiftyHundred) {
  Picture24 p;
  p.create(4, 3);
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.rotate90();
  EXPECT_EQ((std::vector<std::int16_t>{0, 50, 100}), recorder.calls);
}

TEST(Rotate90, FourTurnsGiveBackThePixels) {
  std::mt19937 rng(4);
  for (auto [w, h] : {std::pair{1, 1}, {5, 3}, {70, 130}, {129, 64}}) {
    Picture24 p = palette_picture(w, h, rng, 100);
    const auto before = pixels_of(p);
    for (int i = 0; i < 4; ++i) p.rotate90();
    EXPECT_EQ(w, p.width());
    EXPECT_EQ(before, pixels_of(p)) << w << "x" << h;
  }
}

TEST(Mirror, SwapsLeftAndRight) {
  Picture24 p = make_picture(3, 2, {A, B, C, D, E, F});
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.mirror();
  EXPECT_EQ((std::vector<std::int32_t>{C, B, A, F, E, D}), pixels_of(p));
  EXPECT_EQ((std::vector<std::int16_t>{0, 100}), recorder.calls);
  p.mirror();
  EXPECT_EQ((std::vector<std::int32_t>{A, B, C, D, E, F}), pixels_of(p));
}

TEST(Mirror, EvenWidthAndPaddingUntouched) {
  Picture24 p = make_picture(2, 1, {A, B});
  auto bytes = p.bits();
  bytes[6] = 0x77;
  bytes[7] = 0x88;
  p.set_bits(bytes.data(), bytes.size());
  p.mirror();
  const std::vector<std::uint8_t> expected = {0xB, 0xB, 0xB, 0xA, 0xA, 0xA, 0x77, 0x88};
  EXPECT_EQ(expected, p.bits());
}

TEST(Flip, TurnsUpsideDownKeepingEachRowsPadding) {
  Picture24 p = make_picture(1, 3, {A, B, C});
  auto bytes = p.bits();
  bytes[3] = 1;  // padding of row 0
  bytes[11] = 3; // padding of row 2
  p.set_bits(bytes.data(), bytes.size());
  ProgressRecorder recorder;
  p.set_progress_listener(&recorder);
  p.flip();
  const std::vector<std::uint8_t> expected = {0xC, 0xC, 0xC, 1, 0xB, 0xB, 0xB, 0, 0xA, 0xA, 0xA, 3};
  EXPECT_EQ(expected, p.bits());
  EXPECT_EQ((std::vector<std::int16_t>{0, 50, 100}), recorder.calls);
}

TEST(Flip, TwiceGivesBackThePicture) {
  std::mt19937 rng(5);
  Picture24 p = random_picture(5, 4, rng);
  Picture24 original(p);
  p.flip();
  EXPECT_FALSE(p.compare(original));
  p.flip();
  EXPECT_TRUE(p.compare(original));
}

}  // namespace
}  // namespace korvix::test
