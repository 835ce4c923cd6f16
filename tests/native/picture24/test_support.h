// Shared helpers of the picture tests: building pictures from literal pixels,
// moving them to and from the reference model, and recording progress.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <random>
#include <vector>

#include "picture24/picture24.h"
#include "reference_picture.h"

namespace korvix::test {

// Records every percent it hears, in order.
struct ProgressRecorder final : ProgressListener {
  std::vector<std::int16_t> calls;
  void on_progress(std::int16_t percent) override { calls.push_back(percent); }
};

// A picture of `width` x `height` whose pixels are given row by row as
// packed colours (0xRRGGBB).
inline Picture24 make_picture(std::int32_t width, std::int32_t height,
                              std::initializer_list<std::int32_t> colours) {
  Picture24 p;
  p.create(width, height);
  std::int32_t i = 0;
  for (std::int32_t colour : colours) {
    p.set_pixel(i % width, i / width, colour);
    ++i;
  }
  EXPECT_EQ(i, width * height) << "literal picture has the wrong number of pixels";
  return p;
}

inline std::vector<std::int32_t> pixels_of(const Picture24& p) {
  std::vector<std::int32_t> out;
  for (std::int32_t y = 0; y < p.height(); ++y)
    for (std::int32_t x = 0; x < p.width(); ++x) out.push_back(p.pixel(x, y));
  return out;
}

// Random pixels and random padding bytes, so that operations which must not
// touch padding are caught if they do.
inline Picture24 random_picture(std::int32_t width, std::int32_t height, std::mt19937& rng) {
  Picture24 p;
  p.create(width, height);
  std::vector<std::uint8_t> bytes(p.size_bytes());
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  p.set_bits(bytes.data(), bytes.size());
  return p;
}

// All 16,777,216 colours once, 4096 x 4096.
inline Picture24 every_colour() {
  Picture24 p;
  p.create(4096, 4096);
  for (std::int32_t y = 0; y < 4096; ++y)
    for (std::int32_t x = 0; x < 4096; ++x) {
      const std::uint32_t colour = static_cast<std::uint32_t>(y) * 4096 + static_cast<std::uint32_t>(x);
      std::memcpy(p.row(y) + 3 * x, &colour, 3);
    }
  return p;
}

// Random pixels drawn from a small palette: repeats colours as real pictures
// do, and gives key colours and equal neighbours often.
inline Picture24 palette_picture(std::int32_t width, std::int32_t height, std::mt19937& rng, int colours) {
  std::vector<std::int32_t> palette;
  for (int i = 0; i < colours; ++i) palette.push_back(static_cast<std::int32_t>(rng() & 0xFFFFFF));
  Picture24 p;
  p.create(width, height);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) p.set_pixel(x, y, palette[rng() % palette.size()]);
  return p;
}

inline reference::Picture to_reference(const Picture24& p) {
  reference::Picture r;
  r.width = p.width();
  r.height = p.height();
  r.stride = static_cast<int>(p.stride());
  r.bytes = p.bits();
  return r;
}

// Same size and the same bytes, padding included.
inline ::testing::AssertionResult same_bytes(const reference::Picture& expected, const Picture24& actual) {
  if (expected.width != actual.width() || expected.height != actual.height())
    return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height()
                                         << ", expected " << expected.width << "x" << expected.height;
  const std::vector<std::uint8_t> bytes = actual.bits();
  if (bytes.size() != expected.bytes.size())
    return ::testing::AssertionFailure() << "buffer of " << bytes.size() << " bytes, expected "
                                         << expected.bytes.size();
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] != expected.bytes[i])
      return ::testing::AssertionFailure()
             << "byte " << i << " (row " << i / actual.stride() << ", offset " << i % actual.stride()
             << ") is " << int(bytes[i]) << ", expected " << int(expected.bytes[i]);
  return ::testing::AssertionSuccess();
}

}  // namespace korvix::test
