// Filters that read neighbouring pixels: the diagonal sharpen and the
// five-point blur.
#include <array>
#include <cmath>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/picture24_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Four lanes of the single-precision formula: the same IEEE operations as the
// scalar one, and the conversion rounds to nearest even like nearbyint.
inline __m128i sharpen_lanes(__m128i p32, __m128i q32, __m128 amount) {
  const __m128 product = _mm_mul_ps(_mm_cvtepi32_ps(_mm_sub_epi32(p32, q32)), amount);
  return _mm_cvtps_epi32(_mm_add_ps(_mm_cvtepi32_ps(p32), product));
}
#endif

// Sharpens bytes [0, count) of row `p` against `q` (the next row, one pixel
// on) as long as 16 bytes remain; returns how many it did. Only for amounts
// whose results cannot overflow, where saturating packs clamp to 0..255.
std::size_t sharpen_wide(std::uint8_t* p, const std::uint8_t* q, std::size_t count, float amount) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128 a = _mm_set1_ps(amount);
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    const __m128i pv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i qv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + i));
    const __m128i p16lo = _mm_unpacklo_epi8(pv, zero), p16hi = _mm_unpackhi_epi8(pv, zero);
    const __m128i q16lo = _mm_unpacklo_epi8(qv, zero), q16hi = _mm_unpackhi_epi8(qv, zero);
    const __m128i r0 = sharpen_lanes(_mm_unpacklo_epi16(p16lo, zero), _mm_unpacklo_epi16(q16lo, zero), a);
    const __m128i r1 = sharpen_lanes(_mm_unpackhi_epi16(p16lo, zero), _mm_unpackhi_epi16(q16lo, zero), a);
    const __m128i r2 = sharpen_lanes(_mm_unpacklo_epi16(p16hi, zero), _mm_unpacklo_epi16(q16hi, zero), a);
    const __m128i r3 = sharpen_lanes(_mm_unpackhi_epi16(p16hi, zero), _mm_unpackhi_epi16(q16hi, zero), a);
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), packed);
  }
#else
  (void)p;
  (void)q;
  (void)count;
  (void)amount;
#endif
  return i;
}

// Blurs bytes [3, end) of row `p` as long as 16 bytes remain, returning where
// it stopped. Reading bytes i..i+18 of the row before writing i..i+15 keeps
// the scalar order's meaning: no byte is read after it was written.
// round(sum * 0.2) = (sum + 2) / 5 for sums up to 1275 (no exact halves), and
// x / 5 = (x * 0xCCCD) >> 18 for every 16-bit x.
std::size_t blur_wide(std::uint8_t* p, const std::uint8_t* above, const std::uint8_t* below, std::size_t end) {
  std::size_t i = 3;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
  const __m128i magic = _mm_set1_epi16(static_cast<std::int16_t>(0xCCCD));
  const auto load = [](const std::uint8_t* a) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(a)); };
  for (; i + 16 <= end; i += 16) {
    const __m128i v[5] = {load(p + i), load(above + i - 3), load(below + i + 3), load(p + i + 3), load(below + i)};
    __m128i lo = two, hi = two;
    for (const __m128i& x : v) {
      lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(x, zero));
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(x, zero));
    }
    lo = _mm_srli_epi16(_mm_mulhi_epu16(lo, magic), 2);
    hi = _mm_srli_epi16(_mm_mulhi_epu16(hi, magic), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(lo, hi));
  }
#else
  (void)p;
  (void)above;
  (void)below;
  (void)end;
#endif
  return i;
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
    const std::size_t done = any_overflow ? 0 : sharpen_wide(p, q, count, amount);
    for (std::size_t i = done; i < count; ++i) p[i] = t[p[i] << 8 | q[i]];
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
    for (std::size_t i = blur_wide(p, above, below, end); i < end; ++i)
      p[i] = fifth[static_cast<std::size_t>(p[i] + above[i - 3] + below[i + 3] + p[i + 3] + below[i])];
    report(y, height_);
  }
}

}  // namespace korvix
