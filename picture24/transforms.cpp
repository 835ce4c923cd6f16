// Lossless geometric transforms: quarter turn, mirror, flip.
#include <algorithm>
#include <cstring>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/picture24_internal.h"

namespace korvix {

void Picture24::rotate90() {
  BusyScope busy(*this);
  if (empty()) return;
  const std::int32_t old_width = width_, old_height = height_;
  const std::size_t stride = checked_stride(old_height);
  const std::size_t size = checked_size(old_height, old_width);
  auto bits = detail::allocate_bytes(size);
  std::uint8_t* out = bits.get();

  // New pixel (j, k) is old pixel (k, old_height - 1 - j). Work in tiles of
  // old rows x old columns so that both the rows read and the rows written
  // stay in the first-level cache; report each old row once its band is done.
  constexpr std::int32_t kTile = 64;
  for (std::int32_t j0 = 0; j0 < old_height; j0 += kTile) {
    const std::int32_t j1 = std::min(old_height, j0 + kTile);
    for (std::int32_t k0 = 0; k0 < old_width; k0 += kTile) {
      const std::int32_t k1 = std::min(old_width, k0 + kTile);
      for (std::int32_t j = j0; j < j1; ++j) {
        const std::uint8_t* src = row(old_height - 1 - j) + 3 * static_cast<std::size_t>(k0);
        std::uint8_t* dst = out + stride * static_cast<std::size_t>(k0) + 3 * static_cast<std::size_t>(j);
        for (std::int32_t k = k0; k < k1; ++k, src += 3, dst += stride) {
          dst[0] = src[0];
          dst[1] = src[1];
          dst[2] = src[2];
        }
      }
    }
    for (std::int32_t j = j0; j < j1; ++j) report(j, old_height);
  }
  const std::size_t row_bytes = 3 * static_cast<std::size_t>(old_height);
  if (stride != row_bytes)
    for (std::int32_t k = 0; k < old_width; ++k)
      std::memset(out + stride * static_cast<std::size_t>(k) + row_bytes, 0, stride - row_bytes);
  replace(std::move(bits), old_height, old_width, stride);
}

void Picture24::mirror() {
  BusyScope busy(*this);
  if (empty()) return;
  // Each row is copied aside and written back from its end. Pixels go as
  // 4-byte moves whose fourth byte the next pixel overwrites; the spare row
  // has one byte of slack for the last read, the last pixel is written alone.
  const std::size_t row_bytes = 3 * static_cast<std::size_t>(width_);
  std::vector<std::uint8_t> spare;
  try {
    spare.resize(row_bytes + 1);
  } catch (const std::bad_alloc&) {
    throw picture24_error(picture24_errc::out_of_memory, "Not enough memory to mirror the picture.");
  }
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* p = row(y);
    std::memcpy(spare.data(), p, row_bytes);
    const std::uint8_t* s = spare.data() + row_bytes - 3;
    for (std::int32_t x = 0; x + 1 < width_; ++x, p += 3, s -= 3) {
      std::uint32_t v;
      std::memcpy(&v, s, 4);
      std::memcpy(p, &v, 4);
    }
    p[0] = s[0];
    p[1] = s[1];
    p[2] = s[2];
    report(y, height_);
  }
}

void Picture24::flip() {
  BusyScope busy(*this);
  if (empty()) return;
  // Swap rows pairwise from both ends; only pixel bytes move, each row keeps
  // its own padding bytes.
  const std::size_t row_bytes = 3 * static_cast<std::size_t>(width_);
  std::vector<std::uint8_t> spare;
  try {
    spare.resize(row_bytes);
  } catch (const std::bad_alloc&) {
    throw picture24_error(picture24_errc::out_of_memory, "Not enough memory to flip the picture.");
  }
  for (std::int32_t y = 0; y < height_; ++y) {
    const std::int32_t other = height_ - 1 - y;
    if (y < other) {
      std::memcpy(spare.data(), row(y), row_bytes);
      std::memcpy(row(y), row(other), row_bytes);
      std::memcpy(row(other), spare.data(), row_bytes);
    }
    report(y, height_);
  }
}

}  // namespace korvix
