// RGB <-> HSL in single precision, and the lightness filter built on them.
// Every step is rounded to single exactly where the formulas store a single,
// so the bytes do not depend on the compiler's choice of registers.
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/picture24_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvix {

namespace {

struct Hsl {
  float h, s, l;
};

struct Rgb {
  float r, g, b;
};

inline float max_of(float a, float b, float c) noexcept {
  float m = a;
  if (b > m) m = b;
  if (c > m) m = c;
  return m;
}

inline float min_of(float a, float b, float c) noexcept {
  float m = a;
  if (b < m) m = b;
  if (c < m) m = c;
  return m;
}

// Channels already scaled to 0..1 as singles.
inline Hsl to_hsl(float r, float g, float b) noexcept {
  const float max = max_of(r, g, b), min = min_of(r, g, b);
  const float l = (max + min) * 0.5f;
  if (max == min) return {0.0f, 0.0f, l};
  const float d = max - min;
  const float s = l <= 0.5f ? d / (max + min) : d / (2.0f - max - min);
  float h;
  if (r == max)
    h = (g - b) / d;
  else if (g == max)
    h = (b - r) / d + 2.0f;
  else
    h = (r - g) / d + 4.0f;
  return {h, s, l};
}

// Channels in 0..1 (before scaling by 255).
inline Rgb to_rgb(float h, float s, float l) noexcept {
  if (s == 0.0f) return {l, l, l};
  const float m1 = l <= 0.5f ? l * (1.0f - s) : l - s * (1.0f - l);
  const float m2 = 2.0f * l - m1;
  const float span = m2 - m1;
  if (h < 0.0f) return {m2, m1, m1 - h * span};
  if (h < 1.0f) return {m2, m1 + h * span, m1};
  if (h < 2.0f) return {m1 + (2.0f - h) * span, m2, m1};
  if (h < 3.0f) return {m1, m2, m1 + (h - 2.0f) * span};
  if (h < 4.0f) return {m1, m1 + (4.0f - h) * span, m2};
  return {m1 + (h - 4.0f) * span, m1, m2};
}

inline float scaled(float channel) noexcept { return std::nearbyint(channel * 255.0f); }

// 0..255 as the single R * (1 / 255).
const std::array<float, 256>& unit_channels() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> t{};
    for (int v = 0; v < 256; ++v) t[static_cast<std::size_t>(v)] = static_cast<float>(v * (1.0 / 255.0));
    return t;
  }();
  return table;
}

bool fits_int32(float v) noexcept { return v >= -2147483648.0f && v < 2147483648.0f; }

}  // namespace

float Picture24::max3(float a, float b, float c) noexcept { return max_of(a, b, c); }
float Picture24::min3(float a, float b, float c) noexcept { return min_of(a, b, c); }

void Picture24::rgb_to_hsl(std::int32_t r, std::int32_t g, std::int32_t b, float& h, float& s,
                           float& l) noexcept {
  const auto unit = [](std::int32_t v) { return static_cast<float>(v * (1.0 / 255.0)); };
  const Hsl hsl = to_hsl(unit(r), unit(g), unit(b));
  h = hsl.h;
  s = hsl.s;
  l = hsl.l;
}

void Picture24::hsl_to_rgb(float h, float s, float l, std::int32_t& r, std::int32_t& g,
                           std::int32_t& b) {
  const Rgb rgb = to_rgb(h, s, l);
  const float rr = scaled(rgb.r), gg = scaled(rgb.g), bb = scaled(rgb.b);
  if (!fits_int32(rr) || !fits_int32(gg) || !fits_int32(bb))
    throw picture24_error(picture24_errc::overflow, "The colour lies outside the 32-bit range.");
  r = static_cast<std::int32_t>(rr);
  g = static_cast<std::int32_t>(gg);
  b = static_cast<std::int32_t>(bb);
}

namespace {

// One pixel's new packed colour (blue in the low byte).
inline std::uint32_t lighter(float r, float g, float b, float factor) noexcept {
  const Hsl hsl = to_hsl(r, g, b);
  float l = hsl.l * factor;
  if (l > 1.0f) l = 1.0f;
  if (l < 0.0f) l = 0.0f;  // only below -100 percent
  const Rgb rgb = to_rgb(hsl.h, hsl.s, l);
  // Low bytes of the rounded results; with l in 0..1 they are 0..255.
  const auto low = [](float v) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled(v))) & 0xFFu; };
  return low(rgb.b) | (low(rgb.g) << 8) | (low(rgb.r) << 16);
}

#if defined(__SSE2__)
// The same conversion for four pixels: every lane performs the scalar code's
// IEEE operations on the same operands, and the branches become selections,
// so each lane's bytes equal the scalar result.
inline __m128 pick(__m128 mask, __m128 yes, __m128 no) {
  return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
}

inline __m128i lighter4(__m128 r, __m128 g, __m128 b, __m128 factor) {
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), two = _mm_set1_ps(2.0f);
  const __m128 half = _mm_set1_ps(0.5f), four = _mm_set1_ps(4.0f), three = _mm_set1_ps(3.0f);
  // RGB -> HSL.
  const __m128 max = _mm_max_ps(_mm_max_ps(r, g), b), min = _mm_min_ps(_mm_min_ps(r, g), b);
  const __m128 l = _mm_mul_ps(_mm_add_ps(max, min), half);
  const __m128 grey = _mm_cmpeq_ps(max, min);
  const __m128 d = _mm_sub_ps(max, min);
  // Each lane divides only by what its branch needs: the divisions are the
  // scalar code's own operations on the same operands, picked first.
  const __m128 s_divisor = pick(_mm_cmple_ps(l, half), _mm_add_ps(max, min), _mm_sub_ps(_mm_sub_ps(two, max), min));
  const __m128 s = _mm_andnot_ps(grey, _mm_div_ps(d, s_divisor));
  const __m128 red_max = _mm_cmpeq_ps(r, max), green_max = _mm_cmpeq_ps(g, max);
  const __m128 h_numerator =
      pick(red_max, _mm_sub_ps(g, b), pick(green_max, _mm_sub_ps(b, r), _mm_sub_ps(r, g)));
  const __m128 h_quotient = _mm_div_ps(h_numerator, d);
  // Red's sector is the quotient itself; green's adds 2, blue's 4.
  const __m128 h_sector = pick(red_max, h_quotient, _mm_add_ps(h_quotient, pick(green_max, two, four)));
  const __m128 h = _mm_andnot_ps(grey, h_sector);
  // New lightness, capped at 1, floored at 0.
  __m128 l2 = _mm_mul_ps(l, factor);
  l2 = pick(_mm_cmpgt_ps(l2, one), one, l2);
  l2 = pick(_mm_cmplt_ps(l2, zero), zero, l2);
  // HSL -> RGB. In every sector one channel is m1 + t * span for a
  // sector-specific t (below 0: m1 - h * span, the same as m1 + (-h) * span).
  const __m128 m1 = pick(_mm_cmple_ps(l2, half), _mm_mul_ps(l2, _mm_sub_ps(one, s)),
                         _mm_sub_ps(l2, _mm_mul_ps(s, _mm_sub_ps(one, l2))));
  const __m128 m2 = _mm_sub_ps(_mm_mul_ps(two, l2), m1);
  const __m128 span = _mm_sub_ps(m2, m1);
  const __m128 below0 = _mm_cmplt_ps(h, zero), below1 = _mm_cmplt_ps(h, one);
  const __m128 below2 = _mm_cmplt_ps(h, two), below3 = _mm_cmplt_ps(h, three);
  const __m128 below4 = _mm_cmplt_ps(h, four);
  const __m128 negative_h = _mm_xor_ps(h, _mm_set1_ps(-0.0f));
  __m128 t = _mm_sub_ps(h, four);
  t = pick(below4, _mm_sub_ps(four, h), t);
  t = pick(below3, _mm_sub_ps(h, two), t);
  t = pick(below2, _mm_sub_ps(two, h), t);
  t = pick(below1, h, t);
  t = pick(below0, negative_h, t);
  const __m128 v = _mm_add_ps(m1, _mm_mul_ps(t, span));
  // r: m2 below 1, v in [1,2), m1 in [2,4), v from 4.
  __m128 rr = pick(below1, m2, pick(below2, v, pick(below4, m1, v)));
  // g: m1 below 0, v in [0,1), m2 in [1,3), v in [3,4), m1 from 4.
  __m128 gg = pick(below0, m1, pick(below1, v, pick(below3, m2, pick(below4, v, m1))));
  // b: v below 0, m1 in [0,2), v in [2,3), m2 from 3.
  __m128 bb = pick(below0, v, pick(below2, m1, pick(below3, v, m2)));
  const __m128 flat = _mm_cmpeq_ps(s, zero);
  rr = pick(flat, l2, rr);
  gg = pick(flat, l2, gg);
  bb = pick(flat, l2, bb);
  const __m128 scale = _mm_set1_ps(255.0f);
  const __m128i mask = _mm_set1_epi32(0xFF);
  const __m128i ri = _mm_and_si128(_mm_cvtps_epi32(_mm_mul_ps(rr, scale)), mask);
  const __m128i gi = _mm_and_si128(_mm_cvtps_epi32(_mm_mul_ps(gg, scale)), mask);
  const __m128i bi = _mm_and_si128(_mm_cvtps_epi32(_mm_mul_ps(bb, scale)), mask);
  return _mm_or_si128(bi, _mm_or_si128(_mm_slli_epi32(gi, 8), _mm_slli_epi32(ri, 16)));
}
#endif

}  // namespace

void Picture24::lightness(std::int32_t percent) {
  BusyScope busy(*this);
  if (empty()) return;
  // Single precision at every step: the percent, its hundredth, then + 1.
  const float hundredth = static_cast<float>(percent) / 100.0f;
  const float factor = hundredth + 1.0f;
  const std::array<float, 256>& unit = unit_channels();

  // Pictures repeat colours heavily, so results are kept in a direct-mapped
  // cache keyed by the packed colour (an empty slot holds an impossible key).
  // Pixels go in groups of four: a group whose colours are all cached is
  // copied, any other group is converted four lanes at once.
  constexpr unsigned kCacheBits = 16;
  std::vector<std::uint32_t> keys(std::size_t{1} << kCacheBits, 0xFFFFFFFFu);
  std::vector<std::uint32_t> values(std::size_t{1} << kCacheBits);
  const auto slot_of = [](std::uint32_t colour) { return (colour * 2654435761u) >> (32 - kCacheBits); };
  const auto colour_at = [](const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
  };
  const auto store = [](std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
  };
#if defined(__SSE2__)
  const __m128 factors = _mm_set1_ps(factor);
#endif

  // A picture without repeated colours (noise) gains nothing from the cache:
  // a row where under one group in eight was found cached turns it off, and
  // it is tried again every 32 rows.
  bool use_cache = true;
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* p = row(y);
    std::int32_t x = 0;
#if defined(__SSE2__)
    std::int32_t groups = 0, found = 0;
    for (; x + 4 <= width_; x += 4, p += 12, ++groups) {
      std::uint32_t colour[4], slot[4];
      bool all_cached = use_cache;
      for (int i = 0; i < 4; ++i) {
        colour[i] = colour_at(p + 3 * i);
        slot[i] = slot_of(colour[i]);
        all_cached = all_cached && keys[slot[i]] == colour[i];
      }
      if (all_cached) {
        ++found;
        for (int i = 0; i < 4; ++i) store(p + 3 * i, values[slot[i]]);
        continue;
      }
      const auto channel = [&](int shift) {
        return _mm_setr_ps(unit[(colour[0] >> shift) & 0xFF], unit[(colour[1] >> shift) & 0xFF],
                           unit[(colour[2] >> shift) & 0xFF], unit[(colour[3] >> shift) & 0xFF]);
      };
      alignas(16) std::uint32_t result[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(result), lighter4(channel(16), channel(8), channel(0), factors));
      for (int i = 0; i < 4; ++i) {
        if (use_cache) {
          keys[slot[i]] = colour[i];
          values[slot[i]] = result[i];
        }
        store(p + 3 * i, result[i]);
      }
    }
    use_cache = use_cache ? found * 8 >= groups : y % 32 == 31;
#endif
    for (; x < width_; ++x, p += 3) {
      const std::uint32_t colour = colour_at(p);
      const std::uint32_t slot = slot_of(colour);
      if (keys[slot] != colour) {
        keys[slot] = colour;
        values[slot] = lighter(unit[p[2]], unit[p[1]], unit[p[0]], factor);
      }
      store(p, values[slot]);
    }
    report(y, height_);
  }
}

}  // namespace korvix
