// Per-pixel colour filters. Each one's arithmetic is done once per possible
// input (a table of 256 entries, or an exact integer form of the formula), so
// the row loops only look values up.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/picture24_internal.h"

namespace korvix {

namespace {

using ByteTable = std::array<std::uint8_t, 256>;

// Applies `table` to the first `count` bytes of `p`.
void map_bytes(std::uint8_t* p, std::size_t count, const ByteTable& table) {
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const std::uint8_t a = table[p[i]], b = table[p[i + 1]], c = table[p[i + 2]], d = table[p[i + 3]];
    p[i] = a;
    p[i + 1] = b;
    p[i + 2] = c;
    p[i + 3] = d;
  }
  for (; i < count; ++i) p[i] = table[p[i]];
}

}  // namespace

void Picture24::invert(bool red, bool green, bool blue) {
  BusyScope busy(*this);
  if (empty() || !(red || green || blue)) return;
  // One row's worth of channel masks, XORed over every row's pixel bytes.
  const std::size_t row_bytes = 3 * static_cast<std::size_t>(width_);
  std::vector<std::uint8_t> mask;
  try {
    mask.resize(row_bytes);
  } catch (const std::bad_alloc&) {
    throw picture24_error(picture24_errc::out_of_memory, "Not enough memory to invert the picture.");
  }
  const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(blue ? 0xFF : 0),
                               static_cast<std::uint8_t>(green ? 0xFF : 0),
                               static_cast<std::uint8_t>(red ? 0xFF : 0)};
  for (std::size_t i = 0; i < row_bytes; ++i) mask[i] = bgr[i % 3];
  const std::uint8_t* m = mask.data();
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* p = row(y);
    for (std::size_t i = 0; i < row_bytes; ++i) p[i] ^= m[i];
    report(y, height_);
  }
}

namespace {
// Y = (222 R + 707 G + 71 B) / 1000 rounded half to even, done in integers:
// the weighted sum is exact, so is the decision at an exact half.
inline std::uint8_t grey_of(std::uint32_t r, std::uint32_t g, std::uint32_t b) noexcept {
  const std::uint32_t sum = 222 * r + 707 * g + 71 * b;
  std::uint32_t q = sum / 1000;
  const std::uint32_t rest = sum - q * 1000;
  if (rest > 500 || (rest == 500 && (q & 1))) ++q;
  return static_cast<std::uint8_t>(q);
}
}  // namespace

void Picture24::grayscale() {
  BusyScope busy(*this);
  if (empty()) return;
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* p = row(y);
    for (std::int32_t x = 0; x < width_; ++x, p += 3) {
      const std::uint8_t v = grey_of(p[2], p[1], p[0]);
      p[0] = p[1] = p[2] = v;
    }
    report(y, height_);
  }
}

void Picture24::black_white() {
  BusyScope busy(*this);
  if (empty()) return;
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* p = row(y);
    for (std::int32_t x = 0; x < width_; ++x, p += 3) {
      const std::uint8_t v = (p[0] >= 192 || p[1] >= 192 || p[2] >= 192) ? 255 : 0;
      p[0] = p[1] = p[2] = v;
    }
    report(y, height_);
  }
}

void Picture24::contrast(std::int32_t factor) {
  BusyScope busy(*this);
  if (empty()) return;
  ByteTable table;
  for (int v = 0; v < 256; ++v) {
    const std::int64_t exact = static_cast<std::int64_t>(v - 128) * factor + 128;
    table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(std::clamp<std::int64_t>(exact, 0, 255));
  }
  // Rows 0..height-2, columns 0..width-2: the last row and column stay.
  const std::size_t count = 3 * static_cast<std::size_t>(width_ - 1);
  for (std::int32_t y = 0; y + 1 < height_; ++y) {
    map_bytes(row(y), count, table);
    report(y, height_);
  }
}

void Picture24::brightness(std::int32_t level) {
  BusyScope busy(*this);
  if (empty()) return;
  if (level < 0 || level > 255)
    throw picture24_error(picture24_errc::overflow, "The brightness level must lie between 0 and 255.");
  ByteTable table;
  for (int v = 0; v < 256; ++v)
    table[static_cast<std::size_t>(v)] =
        static_cast<std::uint8_t>(std::nearbyint(static_cast<double>(v * level) * (1.0 / 255.0)));
  const std::size_t count = 3 * static_cast<std::size_t>(width_);
  for (std::int32_t y = 0; y < height_; ++y) {
    map_bytes(row(y), count, table);
    report(y, height_);
  }
}

}  // namespace korvix
