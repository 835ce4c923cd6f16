// A large picture cropped in place gives the pages it no longer needs back
// to the system, and a quarter turn in place keeps its buffer. Asked of the
// system itself: which pages of the old buffer are still backed. Built
// natively and for the shipped i686 build.
#include <cstdint>

#include "test_support.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace korvix::test {
namespace {

constexpr std::size_t kPage = 4096;
std::size_t whole_pages(std::size_t bytes) { return (bytes + kPage - 1) / kPage * kPage; }

// Bytes of [begin, begin + size) that still have memory behind them
// (committed, or resident; the pages were all written first).
std::size_t backed_bytes(const std::uint8_t* begin, std::size_t size) {
  std::size_t backed = 0;
#if defined(_WIN32)
  MEMORY_BASIC_INFORMATION info{};
  for (const std::uint8_t* at = begin; at < begin + size;) {
    if (::VirtualQuery(at, &info, sizeof info) != sizeof info) break;
    const std::uint8_t* end = static_cast<const std::uint8_t*>(info.BaseAddress) + info.RegionSize;
    if (end > begin + size) end = begin + size;
    if (info.State == MEM_COMMIT) backed += static_cast<std::size_t>(end - at);
    at = end;
  }
#else
  unsigned char resident = 0;
  for (std::size_t at = 0; at < size; at += kPage)
    if (::mincore(const_cast<std::uint8_t*>(begin) + at, kPage, &resident) == 0 && (resident & 1)) backed += kPage;
#endif
  return backed;
}

TEST(MemoryReturn, CropInPlaceGivesTheRestBack) {
  const struct {
    std::int32_t left, top, width, height;
  } kCrops[] = {
      {0, 0, 4000, 1000},     // half
      {500, 700, 3000, 900},  // the middle
      {10, 0, 3990, 2000},    // a sliver off the side: its pages go back too
  };
  for (const auto& c : kCrops) {
    Picture24 p;
    ASSERT_TRUE(p.create(4000, 2000, 0x123456));  // 24 MB
    p.set_pixel(c.left + c.width - 1, c.top + c.height - 1, 0x654321);
    const std::uint8_t* const buffer = p.data();
    const std::size_t old_size = whole_pages(p.size_bytes());
    ASSERT_EQ(backed_bytes(buffer, old_size), old_size);
    ASSERT_TRUE(p.crop(c.left, c.top, c.width, c.height));
    EXPECT_EQ(p.data(), buffer) << c.width << " x " << c.height << ": not cropped in place";
    EXPECT_EQ(backed_bytes(buffer, old_size), whole_pages(p.size_bytes()))
        << c.width << " x " << c.height;
    EXPECT_EQ(p.pixel(0, 0), 0x123456);
    EXPECT_EQ(p.pixel(c.width - 1, c.height - 1), 0x654321);
  }
}

// A page-shaped picture turns its square in place and only the rest aside.
TEST(MemoryReturn, QuarterTurnKeepsItsBuffer) {
  for (const auto& [w, h] : {std::pair{2480, 3508}, {3508, 2480}, {3000, 3000}}) {
    Picture24 p;
    ASSERT_TRUE(p.create(w, h, 0x010203));
    const std::uint8_t* const buffer = p.data();
    p.rotate90();
    EXPECT_EQ(p.data(), buffer) << w << " x " << h;
    EXPECT_EQ(p.width(), h);
  }
}

}  // namespace
}  // namespace korvix::test
