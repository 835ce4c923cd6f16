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
#include "picture24/pixel_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "picture24/sse2_helpers.h"
#endif

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
// Y = (222 R + 707 G + 71 B) / 1000 rounded half to even, decided in
// integers (the weighted sum is exact, and so is an exact half) once for each
// of the 255001 possible sums; the table stays in the second-level cache.
const std::uint8_t* grey_of_sum() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(255001);
    for (std::uint32_t sum = 0; sum <= 255000; ++sum) {
      std::uint32_t q = sum / 1000;
      const std::uint32_t rest = sum % 1000;
      if (rest > 500 || (rest == 500 && (q & 1))) ++q;
      t[sum] = static_cast<std::uint8_t>(q);
    }
    return t;
  }();
  return table.data();
}
}  // namespace

namespace {

#if defined(__SSE2__)
// 48 bytes of B G R triples -> 16 blues, 16 greens, 16 reds. Each round
// interleaves the bytes of one half of the data with the other; after four
// rounds of this perfect shuffle the bytes 3 apart have come together.
inline void split_channels(__m128i v0, __m128i v1, __m128i v2, __m128i& b, __m128i& g, __m128i& r) {
  const auto high = [](__m128i v) { return _mm_unpackhi_epi64(v, v); };
  for (int round = 0; round < 4; ++round) {
    const __m128i n0 = _mm_unpacklo_epi8(v0, high(v1));
    const __m128i n1 = _mm_unpacklo_epi8(high(v0), v2);
    const __m128i n2 = _mm_unpacklo_epi8(v1, high(v2));
    v0 = n0;
    v1 = n1;
    v2 = n2;
  }
  b = v0;
  g = v1;
  r = v2;
}

// The inverse of split_channels: 16 blues, greens and reds -> 48 bytes of
// B G R triples. Each round separates even and odd bytes again.
inline void merge_channels(__m128i& v0, __m128i& v1, __m128i& v2) {
  const __m128i even = _mm_set1_epi16(0x00FF);
  for (int round = 0; round < 4; ++round) {
    const __m128i n0 = v0, n1 = v1, n2 = v2;
    v0 = _mm_packus_epi16(_mm_and_si128(n0, even), _mm_and_si128(n1, even));
    const __m128i odd01 = _mm_packus_epi16(_mm_srli_epi16(n0, 8), _mm_srli_epi16(n1, 8));
    const __m128i both2 = _mm_packus_epi16(_mm_and_si128(n2, even), _mm_srli_epi16(n2, 8));
    v1 = _mm_unpacklo_epi64(both2, odd01);
    v2 = _mm_unpackhi_epi64(odd01, both2);
  }
}

#endif

std::int32_t grayscale_wide(std::uint8_t* p, std::int32_t width) {
  std::int32_t x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; x + 16 <= width; x += 16, p += 48) {
    __m128i* v = reinterpret_cast<__m128i*>(p);
    __m128i b, g, r;
    split_channels(_mm_loadu_si128(v), _mm_loadu_si128(v + 1), _mm_loadu_si128(v + 2), b, g, r);
    const __m128i low = kernels::greys_of_eight(_mm_unpacklo_epi8(r, zero), _mm_unpacklo_epi8(g, zero), _mm_unpacklo_epi8(b, zero));
    const __m128i high = kernels::greys_of_eight(_mm_unpackhi_epi8(r, zero), _mm_unpackhi_epi8(g, zero), _mm_unpackhi_epi8(b, zero));
    __m128i v0 = _mm_packus_epi16(low, high), v1 = v0, v2 = v0;
    merge_channels(v0, v1, v2);
    _mm_storeu_si128(v, v0);
    _mm_storeu_si128(v + 1, v1);
    _mm_storeu_si128(v + 2, v2);
  }
#else
  (void)p;
  (void)width;
#endif
  return x;
}

}  // namespace

void Picture24::grayscale() {
  BusyScope busy(*this);
  if (empty()) return;
  const std::uint8_t* grey = grey_of_sum();
  const kernels::Level level = kernels::level();
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* p = row(y);
    std::int32_t done = 0;
    if (level == kernels::Level::avx2)
      done = kernels::grayscale_avx2(p, width_);
    else if (level == kernels::Level::ssse3)
      done = kernels::grayscale_ssse3(p, width_);
    done += grayscale_wide(p + 3 * static_cast<std::size_t>(done), width_ - done);
    p += 3 * static_cast<std::size_t>(done);
    for (std::int32_t x = done; x < width_; ++x, p += 3) {
      const std::uint8_t v = grey[222u * p[2] + 707u * p[1] + 71u * p[0]];
      p[0] = p[1] = p[2] = v;
    }
    report(y, height_);
  }
}

namespace {

// Sixteen pixels (48 bytes) at a time: a flag byte per channel (>= 192), each
// pixel's three flags ORed into its first byte, then spread over all three.
std::int32_t black_white_wide(std::uint8_t* p, std::int32_t width) {
  std::int32_t x = 0;
#if defined(__SSE2__)
  const __m128i threshold = _mm_set1_epi8(static_cast<char>(192));
  const auto flags = [&](__m128i v) { return _mm_cmpeq_epi8(_mm_max_epu8(v, threshold), v); };
  // Pixel starts within the three vectors: bytes 0, 3, ... 45 of the 48.
  const __m128i start0 = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1);
  const __m128i start1 = _mm_setr_epi8(0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0);
  const __m128i start2 = _mm_setr_epi8(0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0);
  for (; x + 16 <= width; x += 16, p += 48) {
    __m128i* v = reinterpret_cast<__m128i*>(p);
    const __m128i fa = flags(_mm_loadu_si128(v)), fb = flags(_mm_loadu_si128(v + 1)),
                  fc = flags(_mm_loadu_si128(v + 2));
    // Byte i becomes flag[i] | flag[i+1] | flag[i+2] across vector edges.
    const __m128i oa = _mm_or_si128(_mm_or_si128(fa, _mm_or_si128(_mm_srli_si128(fa, 1), _mm_slli_si128(fb, 15))),
                                    _mm_or_si128(_mm_srli_si128(fa, 2), _mm_slli_si128(fb, 14)));
    const __m128i ob = _mm_or_si128(_mm_or_si128(fb, _mm_or_si128(_mm_srli_si128(fb, 1), _mm_slli_si128(fc, 15))),
                                    _mm_or_si128(_mm_srli_si128(fb, 2), _mm_slli_si128(fc, 14)));
    const __m128i oc = _mm_or_si128(fc, _mm_or_si128(_mm_srli_si128(fc, 1), _mm_srli_si128(fc, 2)));
    const __m128i ma = _mm_and_si128(oa, start0), mb = _mm_and_si128(ob, start1), mc = _mm_and_si128(oc, start2);
    // Byte i becomes m[i] | m[i-1] | m[i-2].
    const __m128i ra = _mm_or_si128(ma, _mm_or_si128(_mm_slli_si128(ma, 1), _mm_slli_si128(ma, 2)));
    const __m128i rb = _mm_or_si128(_mm_or_si128(mb, _mm_or_si128(_mm_slli_si128(mb, 1), _mm_srli_si128(ma, 15))),
                                    _mm_or_si128(_mm_slli_si128(mb, 2), _mm_srli_si128(ma, 14)));
    const __m128i rc = _mm_or_si128(_mm_or_si128(mc, _mm_or_si128(_mm_slli_si128(mc, 1), _mm_srli_si128(mb, 15))),
                                    _mm_or_si128(_mm_slli_si128(mc, 2), _mm_srli_si128(mb, 14)));
    _mm_storeu_si128(v, ra);
    _mm_storeu_si128(v + 1, rb);
    _mm_storeu_si128(v + 2, rc);
  }
#else
  (void)p;
  (void)width;
#endif
  return x;
}

}  // namespace

void Picture24::black_white() {
  BusyScope busy(*this);
  if (empty()) return;
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* p = row(y);
    const std::int32_t done = black_white_wide(p, width_);
    p += 3 * static_cast<std::size_t>(done);
    for (std::int32_t x = done; x < width_; ++x, p += 3) {
      // A byte is 192 or more exactly when both top bits are set.
      const unsigned top = (p[0] & p[0] << 1) | (p[1] & p[1] << 1) | (p[2] & p[2] << 1);
      const auto v = static_cast<std::uint8_t>(0u - ((top >> 7) & 1u));
      p[0] = p[1] = p[2] = v;
    }
    report(y, height_);
  }
}

namespace {

// v' = clamp((v - 128) * factor + 128). Factors beyond +-255 give the same
// bytes as +-255 (any non-zero difference already saturates), and with them
// the product fits 16 bits; the final add saturates and the pack clamps.
std::size_t contrast_wide(std::uint8_t* p, std::size_t count, std::int32_t factor) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i f = _mm_set1_epi16(static_cast<std::int16_t>(std::clamp(factor, -255, 255)));
  const __m128i mid = _mm_set1_epi16(128), zero = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i lo = _mm_sub_epi16(_mm_unpacklo_epi8(v, zero), mid);
    const __m128i hi = _mm_sub_epi16(_mm_unpackhi_epi8(v, zero), mid);
    const __m128i rlo = _mm_adds_epi16(_mm_mullo_epi16(lo, f), mid);
    const __m128i rhi = _mm_adds_epi16(_mm_mullo_epi16(hi, f), mid);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(rlo, rhi));
  }
#else
  (void)p;
  (void)count;
  (void)factor;
#endif
  return i;
}

// v' = round(v * level / 255) for level 0..255: no exact halves exist, so it
// is floor((v * level + 127) / 255), and x / 255 = (x * 0x8081) >> 23 for
// every 16-bit x.
std::size_t brightness_wide(std::uint8_t* p, std::size_t count, std::int32_t level) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i l = _mm_set1_epi16(static_cast<std::int16_t>(level));
  const __m128i half = _mm_set1_epi16(127), zero = _mm_setzero_si128();
  const __m128i magic = _mm_set1_epi16(static_cast<std::int16_t>(0x8081));
  for (; i + 16 <= count; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), l), half);
    const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), l), half);
    const __m128i qlo = _mm_srli_epi16(_mm_mulhi_epu16(lo, magic), 7);
    const __m128i qhi = _mm_srli_epi16(_mm_mulhi_epu16(hi, magic), 7);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(qlo, qhi));
  }
#else
  (void)p;
  (void)count;
  (void)level;
#endif
  return i;
}

}  // namespace

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
    const std::size_t done = contrast_wide(row(y), count, factor);
    map_bytes(row(y) + done, count - done, table);
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
    const std::size_t done = brightness_wide(row(y), count, level);
    map_bytes(row(y) + done, count - done, table);
    report(y, height_);
  }
}

}  // namespace korvix
