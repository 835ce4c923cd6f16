// The three pixel shapes, and coordinates outside the picture.
#include "test_support.h"

namespace korvix::test {
namespace {

TEST(PixelAccess, PackedValueIsBluePlus256GreenPlus65536Red) {
  Picture24 p;
  p.create(2, 1);
  p.set_pixel_bytes(1, 0, PixelBytes{1, 2, 3});
  EXPECT_EQ(197121, p.pixel(1, 0));
  EXPECT_EQ(0, p.pixel(0, 0));
}

TEST(PixelAccess, PackedWriteStoresLowThreeBytesOnly) {
  Picture24 p;
  p.create(2, 1);
  p.set_pixel(0, 0, -1);  // all bits set
  EXPECT_EQ((PixelBytes{255, 255, 255}), p.pixel_bytes(0, 0));
  EXPECT_EQ((PixelBytes{0, 0, 0}), p.pixel_bytes(1, 0));
  EXPECT_EQ(0, p.bits()[6]) << "padding untouched";
}

TEST(PixelAccess, ByteTripleRoundTrips) {
  Picture24 p;
  p.create(3, 3);
  p.set_pixel_bytes(2, 1, PixelBytes{10, 20, 30});
  EXPECT_EQ((PixelBytes{10, 20, 30}), p.pixel_bytes(2, 1));
  EXPECT_EQ((PixelValues{10, 20, 30}), p.pixel_values(2, 1));
  EXPECT_EQ(10 + 256 * 20 + 65536 * 30, p.pixel(2, 1));
  const std::vector<std::uint8_t> b = p.bits();
  EXPECT_EQ(10, b[12 + 6]);
  EXPECT_EQ(30, b[12 + 8]);
}

TEST(PixelAccess, ValuesSaturateAndAreWrittenBack) {
  Picture24 p;
  p.create(1, 1);
  PixelValues v{-5, 300, 128};
  p.set_pixel_values(0, 0, v);
  EXPECT_EQ((PixelBytes{0, 255, 128}), p.pixel_bytes(0, 0));
  EXPECT_EQ((PixelValues{0, 255, 128}), v);
  PixelValues extremes{-32768, 32767, 255};
  p.set_pixel_values(0, 0, extremes);
  EXPECT_EQ((PixelValues{0, 255, 255}), extremes);
}

TEST(PixelAccess, CoordinatesOutsideThePictureAreRejected) {
  Picture24 p = make_picture(3, 2, {1, 2, 3, 4, 5, 6});
  const auto before = p.bits();
  const std::pair<std::int32_t, std::int32_t> outside[] = {{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT32_MIN, 0}, {0, INT32_MAX}};
  for (auto [x, y] : outside) {
    PixelValues v{1, 1, 1};
    const auto expect_out_of_range = [&](auto&& call) {
      try {
        call();
        ADD_FAILURE() << "(" << x << ", " << y << ") accepted";
      } catch (const picture24_error& e) {
        EXPECT_EQ(picture24_errc::out_of_range, e.code());
      }
    };
    expect_out_of_range([&] { p.pixel(x, y); });
    expect_out_of_range([&] { p.set_pixel(x, y, 0); });
    expect_out_of_range([&] { p.pixel_bytes(x, y); });
    expect_out_of_range([&] { p.set_pixel_bytes(x, y, PixelBytes{}); });
    expect_out_of_range([&] { p.pixel_values(x, y); });
    expect_out_of_range([&] { p.set_pixel_values(x, y, v); });
    EXPECT_EQ((PixelValues{1, 1, 1}), v) << "caller's array untouched";
  }
  EXPECT_EQ(before, p.bits());
  Picture24 empty;
  EXPECT_THROW(empty.pixel(0, 0), picture24_error);
  EXPECT_EQ(6, p.pixel(2, 1));  // the last pixel is inside
}

}  // namespace
}  // namespace korvix::test
