// The AVX2 kernel: the SSSE3 grey scale on two blocks at once, one per
// 128-bit lane. Built with -mavx2 and called only when the processor and the
// system offer it; this file shares no inline code with the rest (plain data
// headers and internal copies only).
#include <immintrin.h>

#include "picture24/pixel_kernels.h"
#include "picture24/shuffle_masks.h"

namespace korvix::kernels {
namespace {

// The same 16-byte mask in both lanes.
inline __m256i both_lanes(const std::int8_t* mask) noexcept {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(mask)));
}

struct Shuffler {
    __m256i mask[3][3];
    bool used[3][3];
    explicit Shuffler(const ShuffleMasks& m) noexcept {
        for (int out = 0; out < 3; ++out)
            for (int in = 0; in < 3; ++in) {
                mask[out][in] = both_lanes(m.masks[out][in]);
                used[out][in] = m.used[out][in];
            }
    }
    __m256i operator()(int out, const __m256i in[3]) const noexcept {
        __m256i r = _mm256_setzero_si256();
        for (int i = 0; i < 3; ++i)
            if (used[out][i]) r = _mm256_or_si256(r, _mm256_shuffle_epi8(in[i], mask[out][i]));
        return r;
    }
};

// Two 48-byte blocks, the first in the low lanes, the second in the high.
inline void load_two_blocks(const std::uint8_t* first, const std::uint8_t* second, __m256i v[3]) noexcept {
    for (int i = 0; i < 3; ++i)
        v[i] = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 16 * i))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + 16 * i)), 1);
}

inline void store_two_blocks(std::uint8_t* first, std::uint8_t* second, const __m256i v[3]) noexcept {
    for (int i = 0; i < 3; ++i) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(first + 16 * i), _mm256_castsi256_si128(v[i]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(second + 16 * i), _mm256_extracti128_si256(v[i], 1));
    }
}

// The SSE2 grey arithmetic (sse2_helpers.h) on sixteen 16-bit lanes; lane for
// lane the same operations on the same values.
inline __m256i greys_of_sixteen(__m256i red, __m256i green, __m256i blue) noexcept {
    const __m256i red_green_weights = _mm256_set1_epi32(222 | 707 << 16);
    const __m256i blue_half_weights = _mm256_set1_epi32(71 | 500 << 16);
    const __m256i one = _mm256_set1_epi16(1), seven = _mm256_set1_epi32(7);
    const __m256i t0 = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(red, green), red_green_weights),
                                        _mm256_madd_epi16(_mm256_unpacklo_epi16(blue, one), blue_half_weights));
    const __m256i t1 = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(red, green), red_green_weights),
                                        _mm256_madd_epi16(_mm256_unpackhi_epi16(blue, one), blue_half_weights));
    const __m256i eighth = _mm256_packs_epi32(_mm256_srli_epi32(t0, 3), _mm256_srli_epi32(t1, 3));
    const __m256i rest = _mm256_packs_epi32(_mm256_and_si256(t0, seven), _mm256_and_si256(t1, seven));
    const __m256i q =
        _mm256_srli_epi16(_mm256_mulhi_epu16(eighth, _mm256_set1_epi16(static_cast<std::int16_t>(33555))), 6);
    const __m256i exact_half = _mm256_and_si256(_mm256_cmpeq_epi16(rest, _mm256_setzero_si256()),
                                                _mm256_cmpeq_epi16(eighth, _mm256_mullo_epi16(q, _mm256_set1_epi16(125))));
    return _mm256_sub_epi16(q, _mm256_and_si256(exact_half, _mm256_and_si256(q, one)));
}

}  // namespace

std::int32_t grayscale_avx2(std::uint8_t* row, std::int32_t width) noexcept {
    const Shuffler split(kSplitChannels), spread(kSpreadGreys);
    const __m256i zero = _mm256_setzero_si256();
    std::int32_t x = 0;
    for (; x + 32 <= width; x += 32) {
        std::uint8_t* first = row + 3 * static_cast<std::size_t>(x);
        std::uint8_t* second = first + 48;
        __m256i in[3];
        load_two_blocks(first, second, in);
        const __m256i b = split(0, in), g = split(1, in), r = split(2, in);
        const __m256i low = greys_of_sixteen(_mm256_unpacklo_epi8(r, zero), _mm256_unpacklo_epi8(g, zero),
                                             _mm256_unpacklo_epi8(b, zero));
        const __m256i high = greys_of_sixteen(_mm256_unpackhi_epi8(r, zero), _mm256_unpackhi_epi8(g, zero),
                                              _mm256_unpackhi_epi8(b, zero));
        const __m256i greys[3] = {_mm256_packus_epi16(low, high), zero, zero};
        __m256i out[3];
        for (int o = 0; o < 3; ++o) out[o] = spread(o, greys);
        store_two_blocks(first, second, out);
    }
    return x;
}

}  // namespace korvix::kernels
