// Lossless geometric transforms: quarter turn, mirror, flip.
#include <algorithm>
#include <cstring>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/picture24_internal.h"
#include "picture24/pixel_kernels.h"

namespace korvix {

namespace {

std::int32_t rotate_tile(const std::uint8_t* source, std::ptrdiff_t source_step, std::uint8_t* target,
                         std::size_t target_stride, std::int32_t rows, std::int32_t columns) noexcept {
  if (kernels::level() < kernels::Level::ssse3) return 0;
  return kernels::rotate_tile_ssse3(source, source_step, target, target_stride, rows, columns);
}

}  // namespace

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
      // Groups of old rows through the widest kernel the processor runs;
      // the rows left over as below.
      std::int32_t j = j0 + rotate_tile(row(old_height - 1 - j0) + 3 * static_cast<std::size_t>(k0),
                                        -static_cast<std::ptrdiff_t>(stride_),
                                        out + stride * static_cast<std::size_t>(k0) + 3 * static_cast<std::size_t>(j0),
                                        stride, j1 - j0, k1 - k0);
      while (j < j1) {
        std::uint8_t* dst = out + stride * static_cast<std::size_t>(k0) + 3 * static_cast<std::size_t>(j);
        if (j > 0 && j + 4 <= j1) {
          // Four old rows at once: each new row gets 12 contiguous bytes.
          // The 4-byte reads take one byte past each pixel, which exists:
          // these are not the last old row, which may end the buffer.
          const std::uint8_t* s0 = row(old_height - 1 - j) + 3 * static_cast<std::size_t>(k0);
          const std::uint8_t* s1 = s0 - stride_;
          const std::uint8_t* s2 = s1 - stride_;
          const std::uint8_t* s3 = s2 - stride_;
          for (std::int32_t k = k0; k < k1; ++k, s0 += 3, s1 += 3, s2 += 3, s3 += 3, dst += stride) {
            std::uint32_t a, b, c, d;
            std::memcpy(&a, s0, 4);
            std::memcpy(&b, s1, 4);
            std::memcpy(&c, s2, 4);
            std::memcpy(&d, s3, 4);
            a &= 0xFFFFFFu;
            b &= 0xFFFFFFu;
            c &= 0xFFFFFFu;
            const std::uint32_t w0 = a | b << 24, w1 = b >> 8 | c << 16, w2 = c >> 16 | d << 8;
            std::memcpy(dst, &w0, 4);
            std::memcpy(dst + 4, &w1, 4);
            std::memcpy(dst + 8, &w2, 4);
          }
          j += 4;
        } else {
          const std::uint8_t* src = row(old_height - 1 - j) + 3 * static_cast<std::size_t>(k0);
          for (std::int32_t k = k0; k < k1; ++k, src += 3, dst += stride) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
          }
          ++j;
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

namespace {

// Four pixels held as three little-endian words, in reverse pixel order.
inline void reverse_four(const std::uint8_t* in, std::uint8_t* out_bytes) {
  std::uint32_t w0, w1, w2;
  std::memcpy(&w0, in, 4);
  std::memcpy(&w1, in + 4, 4);
  std::memcpy(&w2, in + 8, 4);
  // in: a0 a1 a2 b0 | b1 b2 c0 c1 | c2 d0 d1 d2 -> d0 d1 d2 c0 | c1 c2 b0 b1 | b2 a0 a1 a2
  const std::uint32_t o0 = (w2 >> 8) | ((w1 >> 16) & 0xFFu) << 24;
  const std::uint32_t o1 = (w1 >> 24) | (w2 & 0xFFu) << 8 | (w0 >> 24) << 16 | (w1 & 0xFFu) << 24;
  const std::uint32_t o2 = ((w1 >> 8) & 0xFFu) | w0 << 8;
  std::memcpy(out_bytes, &o0, 4);
  std::memcpy(out_bytes + 4, &o1, 4);
  std::memcpy(out_bytes + 8, &o2, 4);
}

// Mirrors `count` pixels in place, four from each end at a time, then the
// middle pixel by pixel.
void mirror_span(std::uint8_t* const p, std::int32_t count) {
  std::int32_t left = 0, right = count - 4;  // first pixels of the two groups
  for (; left + 4 <= right; left += 4, right -= 4) {
    std::uint8_t* l = p + 3 * static_cast<std::size_t>(left);
    std::uint8_t* r = p + 3 * static_cast<std::size_t>(right);
    std::uint8_t low[12], high[12];
    reverse_four(l, low);
    reverse_four(r, high);
    std::memcpy(l, high, 12);
    std::memcpy(r, low, 12);
  }
  std::uint8_t* l = p + 3 * static_cast<std::size_t>(left);
  std::uint8_t* r = p + 3 * static_cast<std::size_t>(right + 3);
  for (; l < r; l += 3, r -= 3) {
    std::swap(l[0], r[0]);
    std::swap(l[1], r[1]);
    std::swap(l[2], r[2]);
  }
}

}  // namespace

void Picture24::mirror() {
  BusyScope busy(*this);
  if (empty()) return;
  const bool shuffles = kernels::level() >= kernels::Level::ssse3;
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* const p = row(y);
    // Blocks of sixteen from both ends by byte shuffles where the processor
    // has them; what is left in the middle is mirrored in place on its own.
    const std::int32_t done = shuffles ? kernels::mirror_ends_ssse3(p, width_) : 0;
    mirror_span(p + 3 * static_cast<std::size_t>(done), width_ - 2 * done);
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
