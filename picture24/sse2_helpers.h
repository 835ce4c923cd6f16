// SSE2 pieces shared by the kernels of every instruction-set level: the grey
// of eight pixels, and moving exactly twelve bytes. Internal linkage on
// purpose: each translation unit compiles its own copy with its own
// instruction set.
#pragma once

#include <cstdint>
#include <cstring>

#include <emmintrin.h>

namespace korvix::kernels {

// Greys of eight pixels (16-bit lanes in, 16-bit lanes out). The exact sum
// plus 500 comes from multiply-adds in 32 bits; t / 1000 = (t / 8) / 125 with
// both divisions rounding down, t / 8 fits 15 bits and (u * 33555) >> 22 is
// u / 125 for every u below 59074. An exact half (t a multiple of 1000) that
// landed on an odd value steps back to even.
static inline __m128i greys_of_eight(__m128i red, __m128i green, __m128i blue) {
  const __m128i red_green_weights = _mm_set1_epi32(222 | 707 << 16);
  const __m128i blue_half_weights = _mm_set1_epi32(71 | 500 << 16);
  const __m128i one = _mm_set1_epi16(1), seven = _mm_set1_epi32(7);
  const __m128i t0 = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(red, green), red_green_weights),
                                   _mm_madd_epi16(_mm_unpacklo_epi16(blue, one), blue_half_weights));
  const __m128i t1 = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(red, green), red_green_weights),
                                   _mm_madd_epi16(_mm_unpackhi_epi16(blue, one), blue_half_weights));
  const __m128i eighth = _mm_packs_epi32(_mm_srli_epi32(t0, 3), _mm_srli_epi32(t1, 3));
  const __m128i rest = _mm_packs_epi32(_mm_and_si128(t0, seven), _mm_and_si128(t1, seven));
  const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(eighth, _mm_set1_epi16(static_cast<std::int16_t>(33555))), 6);
  const __m128i exact_half = _mm_and_si128(_mm_cmpeq_epi16(rest, _mm_setzero_si128()),
                                           _mm_cmpeq_epi16(eighth, _mm_mullo_epi16(q, _mm_set1_epi16(125))));
  return _mm_sub_epi16(q, _mm_and_si128(exact_half, _mm_and_si128(q, one)));
}

// Exactly 12 bytes, never a byte beyond them.
static inline __m128i load12(const std::uint8_t* p) {
    std::uint32_t last;
    std::memcpy(&last, p + 8, 4);
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                              _mm_cvtsi32_si128(static_cast<int>(last)));
}

static inline void store12(std::uint8_t* p, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    const std::uint32_t last = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
    std::memcpy(p + 8, &last, 4);
}

}  // namespace korvix::kernels
