// Lossless geometric transforms: quarter turn, mirror, flip.
#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <iterator>
#include <utility>
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

// Quarter turn of the `width` x `height` pixels at `source` (rows
// `source_stride` apart) into `target` (new rows `target_stride` apart; the
// padding bytes are not written). New pixel (j, k) is old pixel
// (k, height - 1 - j). Works in tiles of old rows x old columns so that both
// the rows read and the rows written stay in the first-level cache; after
// each band of old rows, `done(rows so far)`. Writes no byte outside the
// new pixels; reads a few bytes past old rows' pixels, never at or past
// `readable_end`.
template <typename Done>
void turn_into(const std::uint8_t* source, std::size_t source_stride, std::int32_t width, std::int32_t height,
               const std::uint8_t* readable_end, std::uint8_t* target, std::size_t target_stride,
               Done done) noexcept {
  constexpr std::int32_t kTile = 64;
  const auto old_row = [&](std::int32_t j) { return source + source_stride * static_cast<std::size_t>(height - 1 - j); };
  for (std::int32_t j0 = 0; j0 < height; j0 += kTile) {
    const std::int32_t j1 = std::min(height, j0 + kTile);
    for (std::int32_t k0 = 0; k0 < width; k0 += kTile) {
      const std::int32_t k1 = std::min(width, k0 + kTile);
      // Groups of old rows through the widest kernel the processor runs;
      // the rows left over as below.
      std::int32_t j = j0 + rotate_tile(old_row(j0) + 3 * static_cast<std::size_t>(k0),
                                        -static_cast<std::ptrdiff_t>(source_stride),
                                        target + target_stride * static_cast<std::size_t>(k0) +
                                            3 * static_cast<std::size_t>(j0),
                                        target_stride, j1 - j0, k1 - k0);
      while (j < j1) {
        std::uint8_t* dst = target + target_stride * static_cast<std::size_t>(k0) + 3 * static_cast<std::size_t>(j);
        if (j + 4 <= j1 && old_row(j) + 3 * static_cast<std::size_t>(k1) < readable_end) {
          // Four old rows at once: each new row gets 12 contiguous bytes.
          // The 4-byte reads take one byte past each pixel.
          const std::uint8_t* s0 = old_row(j) + 3 * static_cast<std::size_t>(k0);
          const std::uint8_t* s1 = s0 - source_stride;
          const std::uint8_t* s2 = s1 - source_stride;
          const std::uint8_t* s3 = s2 - source_stride;
          for (std::int32_t k = k0; k < k1; ++k, s0 += 3, s1 += 3, s2 += 3, s3 += 3, dst += target_stride) {
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
          const std::uint8_t* src = old_row(j) + 3 * static_cast<std::size_t>(k0);
          for (std::int32_t k = k0; k < k1; ++k, src += 3, dst += target_stride) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
          }
          ++j;
        }
      }
    }
    done(j1);
  }
}

// Quarter turn in place of the square of `side` pixels at `square`, rows
// `stride` apart, as four-cycles of tiles: the tile of tw x th pixels at
// (x, y) goes turned to (side - y - th, x), that one to (side - x - tw,
// side - y - th), that to (y, side - x - tw) and that back to (x, y). Tiles
// start in the quarter x < (side + 1) / 2, y < side / 2, whose four turned
// copies never overlap (an odd side's middle pixel stays). Tiles of
// 128 x 128 keep a cycle's four places and the one set aside (48 KB, on the
// stack) in the second-level cache, with long runs of each row for the
// memory to stream; smaller tiles measured up to half as fast on a large
// picture. `done(fraction)` after each band of tiles.
template <typename Done>
void turn_square(std::uint8_t* square, std::size_t stride, std::int32_t side, const std::uint8_t* readable_end,
                 Done done) noexcept {
  constexpr std::int32_t kTile = 128;
  alignas(16) std::uint8_t kept[3 * kTile * kTile];
  const auto at = [&](std::int32_t x, std::int32_t y) {
    return square + stride * static_cast<std::size_t>(y) + 3 * static_cast<std::size_t>(x);
  };
  const auto no_report = [](std::int32_t) {};
  const std::int32_t columns = (side + 1) / 2, rows = side / 2;
  for (std::int32_t y = 0; y < rows; y += kTile) {
    const std::int32_t th = std::min(kTile, rows - y);
    for (std::int32_t x = 0; x < columns; x += kTile) {
      const std::int32_t tw = std::min(kTile, columns - x);
      // Places 0 and 2 hold tw x th pixels, 1 and 3 th x tw.
      std::uint8_t* const p0 = at(x, y);
      std::uint8_t* const p1 = at(side - y - th, x);
      std::uint8_t* const p2 = at(side - x - tw, side - y - th);
      std::uint8_t* const p3 = at(y, side - x - tw);
      // The last place's pixels aside, then backwards round the cycle, each
      // place read before it is written.
      const std::size_t kept_stride = 3 * static_cast<std::size_t>(th);
      for (std::int32_t r = 0; r < tw; ++r)
        std::memcpy(kept + kept_stride * static_cast<std::size_t>(r), p3 + stride * static_cast<std::size_t>(r),
                    kept_stride);
      turn_into(p2, stride, tw, th, readable_end, p3, stride, no_report);
      turn_into(p1, stride, th, tw, readable_end, p2, stride, no_report);
      turn_into(p0, stride, tw, th, readable_end, p1, stride, no_report);
      turn_into(kept, kept_stride, th, tw, std::end(kept), p0, stride, no_report);
    }
    done(static_cast<double>(y + th) / rows);
  }
}

// Old rows told to the progress listener in order, as the turn gets through
// them. A listener that throws cannot stop a turn in place half way: the
// first exception waits until the picture is whole again.
class RowReports {
 public:
  RowReports(std::int32_t rows, std::function<void(std::int32_t)> report) : rows_(rows), report_(std::move(report)) {}
  // Tells every row below `fraction` of all but the last (which ends the turn).
  void reach(double fraction) noexcept { up_to(static_cast<std::int32_t>(fraction * (rows_ - 1))); }
  void up_to(std::int32_t rows) noexcept {
    for (; told_ < rows && !failure_; ++told_) {
      try {
        report_(told_);
      } catch (...) {
        failure_ = std::current_exception();
      }
    }
  }
  void finish() {
    up_to(rows_);
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  std::int32_t rows_;
  std::function<void(std::int32_t)> report_;
  std::int32_t told_ = 0;
  std::exception_ptr failure_;
};

}  // namespace

// The quarter turn in the picture's own buffer, which has room for it
// (picture_room): the largest square of the picture turns in place; the
// rest (the rows below it, or the columns right of it) turns into a spare
// buffer of its own size, and the rows then move to the new stride with the
// spare's part beside or after them. A fresh buffer of the whole picture
// would cost more in the first touch of its pages than the turn itself, and
// twice the picture's memory.
void Picture24::rotate90() {
  BusyScope busy(*this);
  if (empty()) return;
  const std::int32_t w = width_, h = height_, side = std::min(w, h);
  const std::size_t new_stride = checked_stride(h);
  const std::size_t old_stride = stride_;
  std::uint8_t* const base = data();
  // The rest, turned: tall pictures give new rows' first parts, wide ones
  // whole new rows.
  const bool tall = h > w;
  const std::size_t rest_stride = tall ? 3 * static_cast<std::size_t>(h - side) : new_stride;
  const std::size_t rest_size = rest_stride * static_cast<std::size_t>(tall ? w : w - side);
  detail::Bytes rest = rest_size ? detail::allocate_bytes(rest_size) : detail::Bytes();

  // Progress: the rest first, in proportion to its pixels, then the square.
  RowReports reports(h, [&](std::int32_t row) { report(row, h); });
  const double rest_share = 1.0 - static_cast<double>(side) / std::max(w, h);
  const std::uint8_t* const readable_end = base + detail::capacity(bits_);
  if (tall)
    turn_into(row(side), old_stride, w, h - side, readable_end, rest.get(), rest_stride,
              [&](std::int32_t rows) { reports.reach(rest_share * rows / (h - side)); });
  else if (w > h)
    turn_into(base + 3 * static_cast<std::size_t>(side), old_stride, w - side, h, readable_end, rest.get(),
              rest_stride,
              [&](std::int32_t rows) { reports.reach(rest_share * rows / h); });
  turn_square(base, old_stride, side, readable_end,
              [&](double fraction) { reports.reach(rest_share + (1.0 - rest_share) * fraction); });

  // New row k: the square's row k, at its place in the new stride, with the
  // rest's part before it (tall) or the rest's rows after the square's (wide).
  const std::size_t square_bytes = 3 * static_cast<std::size_t>(side);
  const std::size_t row_bytes = 3 * static_cast<std::size_t>(h);
  if (tall) {
    // Rows move towards the end: last first.
    for (std::int32_t k = side; k-- > 0;) {
      std::uint8_t* to = base + new_stride * static_cast<std::size_t>(k);
      std::memmove(to + rest_stride, base + old_stride * static_cast<std::size_t>(k), square_bytes);
      std::memcpy(to, rest.get() + rest_stride * static_cast<std::size_t>(k), rest_stride);
    }
  } else {
    // Rows move towards the start (a square's stay where they are).
    if (new_stride != old_stride)
      for (std::int32_t k = 1; k < side; ++k)
        std::memmove(base + new_stride * static_cast<std::size_t>(k),
                     base + old_stride * static_cast<std::size_t>(k), square_bytes);
    if (rest_size) std::memcpy(base + new_stride * static_cast<std::size_t>(side), rest.get(), rest_size);
  }
  if (new_stride != row_bytes)
    for (std::int32_t k = 0; k < w; ++k)
      std::memset(base + new_stride * static_cast<std::size_t>(k) + row_bytes, 0, new_stride - row_bytes);
  width_ = h;
  height_ = w;
  stride_ = new_stride;
  reports.finish();
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
