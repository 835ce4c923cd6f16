// RGB <-> HSL in single precision, and the lightness filter built on them.
// Every step is rounded to single exactly where the formulas store a single,
// so the bytes do not depend on the compiler's choice of registers.
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/picture24_internal.h"

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

void Picture24::lightness(std::int32_t percent) {
  BusyScope busy(*this);
  if (empty()) return;
  const float factor = static_cast<float>(percent / 100.0 + 1.0);
  const std::array<float, 256>& unit = unit_channels();

  // Pictures repeat colours heavily, so results are kept in a direct-mapped
  // cache keyed by the packed colour (an empty slot holds an impossible key).
  constexpr unsigned kCacheBits = 16;
  std::vector<std::uint32_t> keys(std::size_t{1} << kCacheBits, 0xFFFFFFFFu);
  std::vector<std::uint32_t> values(std::size_t{1} << kCacheBits);

  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* p = row(y);
    for (std::int32_t x = 0; x < width_; ++x, p += 3) {
      const std::uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
      const std::uint32_t slot = (colour * 2654435761u) >> (32 - kCacheBits);
      if (keys[slot] != colour) {
        const Hsl hsl = to_hsl(unit[p[2]], unit[p[1]], unit[p[0]]);
        float l = hsl.l * factor;
        if (l > 1.0f) l = 1.0f;
        if (l < 0.0f) l = 0.0f;  // only below -100 percent
        const Rgb rgb = to_rgb(hsl.h, hsl.s, l);
        // Low bytes of the rounded results; with l in 0..1 they are 0..255.
        const auto low = [](float v) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled(v))) & 0xFFu; };
        keys[slot] = colour;
        values[slot] = low(rgb.b) | (low(rgb.g) << 8) | (low(rgb.r) << 16);
      }
      const std::uint32_t v = values[slot];
      p[0] = static_cast<std::uint8_t>(v);
      p[1] = static_cast<std::uint8_t>(v >> 8);
      p[2] = static_cast<std::uint8_t>(v >> 16);
    }
    report(y, height_);
  }
}

}  // namespace korvix
