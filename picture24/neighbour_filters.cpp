// Filters that read neighbouring pixels: the diagonal sharpen and the
// five-point blur.
#include <array>
#include <cmath>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/picture24_internal.h"

namespace korvix {

namespace {

// P' = P + (P - Q) * amount in single precision, rounded half to even; `ok`
// is false when that leaves the 16-bit range (or is not a number).
inline std::uint8_t sharpened(int p, int q, float amount, bool& ok) noexcept {
  const float product = static_cast<float>(p - q) * amount;
  const float value = static_cast<float>(p) + product;
  const float rounded = std::nearbyint(value);
  ok = rounded >= -32768.0f && rounded <= 32767.0f;  // false for NaN too
  if (!ok || rounded <= 0.0f) return 0;
  return rounded >= 255.0f ? 255 : static_cast<std::uint8_t>(rounded);
}

}  // namespace

void Picture24::sharpen(float amount) {
  BusyScope busy(*this);
  if (empty()) return;
  // Every (P, Q) pair once: 64 KiB of results, and which pairs overflow.
  std::vector<std::uint8_t> table(65536);
  std::vector<bool> overflows(65536);
  bool any_overflow = false;
  for (int p = 0; p < 256; ++p)
    for (int q = 0; q < 256; ++q) {
      bool ok = true;
      table[static_cast<std::size_t>(p << 8 | q)] = sharpened(p, q, amount, ok);
      overflows[static_cast<std::size_t>(p << 8 | q)] = !ok;
      any_overflow |= !ok;
    }

  // P at (x, y) pairs with Q at (x + 1, y + 1); rows 0..height-2 and columns
  // 0..width-2 are visited. Q is read before it changes, so the whole result
  // depends on the original pixels only, which also lets an overflow be found
  // before anything is written.
  const std::size_t count = 3 * static_cast<std::size_t>(width_ - 1);
  if (any_overflow) {
    for (std::int32_t y = 0; y + 1 < height_; ++y) {
      const std::uint8_t* p = row(y);
      const std::uint8_t* q = row(y + 1) + 3;
      for (std::size_t i = 0; i < count; ++i)
        if (overflows[static_cast<std::size_t>(p[i] << 8 | q[i])])
          throw picture24_error(picture24_errc::overflow,
                                "The sharpen amount is too large for this picture.");
    }
  }
  const std::uint8_t* t = table.data();
  for (std::int32_t y = 0; y + 1 < height_; ++y) {
    std::uint8_t* p = row(y);
    const std::uint8_t* q = row(y + 1) + 3;
    for (std::size_t i = 0; i < count; ++i) p[i] = t[p[i] << 8 | q[i]];
    report(y, height_);
  }
}

void Picture24::blur() {
  BusyScope busy(*this);
  if (empty()) return;
  // round(sum * 0.2) for every possible five-byte sum.
  std::array<std::uint8_t, 5 * 255 + 1> fifth{};
  for (int sum = 0; sum <= 5 * 255; ++sum)
    fifth[static_cast<std::size_t>(sum)] = static_cast<std::uint8_t>(std::nearbyint(sum * 0.2));

  // Inner pixels only. Pixel (x, y) sums itself, (x-1, y-1), (x+1, y+1),
  // (x+1, y) and (x, y+1); the up-left one is already blurred because writes
  // are immediate. In bytes the neighbours are 3 apart, channel by channel.
  const std::size_t end = width_ >= 3 ? 3 * static_cast<std::size_t>(width_ - 1) : 0;
  for (std::int32_t y = 1; y + 1 < height_; ++y) {
    const std::uint8_t* above = row(y - 1);
    std::uint8_t* p = row(y);
    const std::uint8_t* below = row(y + 1);
    for (std::size_t i = 3; i < end; ++i)
      p[i] = fifth[static_cast<std::size_t>(p[i] + above[i - 3] + below[i + 3] + p[i + 3] + below[i])];
    report(y, height_);
  }
}

}  // namespace korvix
