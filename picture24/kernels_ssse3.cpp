// The SSSE3 kernels: sixteen pixels at a time through byte shuffles. Built
// with -mssse3 and called only when the processor has it; this file shares
// no inline code with the rest (plain data headers and its own copies only).
#include <tmmintrin.h>

#include <cstring>

#include "picture24/sse2_helpers.h"
#include "picture24/pixel_kernels.h"
#include "picture24/shuffle_masks.h"

namespace korvix::kernels {
namespace {

struct Shuffler {
    __m128i mask[3][3];
    bool used[3][3];
    explicit Shuffler(const ShuffleMasks& m) noexcept {
        for (int out = 0; out < 3; ++out)
            for (int in = 0; in < 3; ++in) {
                mask[out][in] = _mm_load_si128(reinterpret_cast<const __m128i*>(m.masks[out][in]));
                used[out][in] = m.used[out][in];
            }
    }
    // Output vector `out` from the three input vectors.
    __m128i operator()(int out, const __m128i in[3]) const noexcept {
        __m128i r = _mm_setzero_si128();
        for (int i = 0; i < 3; ++i)
            if (used[out][i]) r = _mm_or_si128(r, _mm_shuffle_epi8(in[i], mask[out][i]));
        return r;
    }
};

inline void load48(const std::uint8_t* p, __m128i v[3]) noexcept {
    for (int i = 0; i < 3; ++i) v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
}

inline void store48(std::uint8_t* p, const __m128i v[3]) noexcept {
    for (int i = 0; i < 3; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * i), v[i]);
}

}  // namespace

std::int32_t mirror_ends_ssse3(std::uint8_t* row, std::int32_t width) noexcept {
    const Shuffler reverse(kReversePixels);
    std::int32_t done = 0;
    // Two blocks of 16 from the ends, as long as they do not overlap.
    for (; 2 * (done + 16) <= width; done += 16) {
        std::uint8_t* left = row + 3 * static_cast<std::size_t>(done);
        std::uint8_t* right = row + 3 * static_cast<std::size_t>(width - done - 16);
        __m128i l[3], r[3], out[3];
        load48(left, l);
        load48(right, r);
        for (int o = 0; o < 3; ++o) out[o] = reverse(o, r);
        store48(left, out);
        for (int o = 0; o < 3; ++o) out[o] = reverse(o, l);
        store48(right, out);
    }
    return done;
}

std::int32_t grayscale_ssse3(std::uint8_t* row, std::int32_t width) noexcept {
    const Shuffler split(kSplitChannels), spread(kSpreadGreys);
    const __m128i zero = _mm_setzero_si128();
    std::int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
        __m128i in[3];
        load48(p, in);
        const __m128i b = split(0, in), g = split(1, in), r = split(2, in);
        const __m128i low =
            greys_of_eight(_mm_unpacklo_epi8(r, zero), _mm_unpacklo_epi8(g, zero), _mm_unpacklo_epi8(b, zero));
        const __m128i high =
            greys_of_eight(_mm_unpackhi_epi8(r, zero), _mm_unpackhi_epi8(g, zero), _mm_unpackhi_epi8(b, zero));
        const __m128i greys[3] = {_mm_packus_epi16(low, high), zero, zero};
        __m128i out[3];
        for (int o = 0; o < 3; ++o) out[o] = spread(o, greys);
        store48(p, out);
    }
    return x;
}

std::int32_t rotate_tile_ssse3(const std::uint8_t* source, std::ptrdiff_t source_step, std::uint8_t* target,
                               std::size_t target_stride, std::int32_t rows, std::int32_t columns) noexcept {
    const __m128i widen = _mm_load_si128(reinterpret_cast<const __m128i*>(kWidenFour));
    const __m128i narrow = _mm_load_si128(reinterpret_cast<const __m128i*>(kNarrowFour));
    std::int32_t j = 0;
    for (; j + 4 <= rows; j += 4) {
        const std::uint8_t* s0 = source + source_step * j;
        std::uint8_t* t = target + 3 * static_cast<std::size_t>(j);
        // 16-byte stores spill 4 bytes into the next group of old rows of the
        // same new row, which is written after: not for the tile's last group.
        const bool wide_stores = j + 8 <= rows;
        std::int32_t k = 0;
        for (; k + 4 <= columns; k += 4, t += 4 * target_stride) {
            const std::size_t at = 3 * static_cast<std::size_t>(k);
            // 16-byte loads read 4 bytes of the next pixels, which exist while
            // two more columns follow in the tile.
            const bool wide_loads = k + 6 <= columns;
            const auto load = [&](const std::uint8_t* p) {
                return _mm_shuffle_epi8(wide_loads ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)) : load12(p),
                                        widen);
            };
            // Four pixels of each of four old rows, widened to 4 bytes each.
            const __m128i a = load(s0 + at), b = load(s0 + source_step + at);
            const __m128i c = load(s0 + 2 * source_step + at), d = load(s0 + 3 * source_step + at);
            // 4 x 4 transpose: new row k + i holds pixel i of a, b, c, d.
            const __m128i ab_low = _mm_unpacklo_epi32(a, b), ab_high = _mm_unpackhi_epi32(a, b);
            const __m128i cd_low = _mm_unpacklo_epi32(c, d), cd_high = _mm_unpackhi_epi32(c, d);
            const __m128i rows_out[4] = {_mm_unpacklo_epi64(ab_low, cd_low), _mm_unpackhi_epi64(ab_low, cd_low),
                                         _mm_unpacklo_epi64(ab_high, cd_high), _mm_unpackhi_epi64(ab_high, cd_high)};
            for (int i = 0; i < 4; ++i) {
                const __m128i packed = _mm_shuffle_epi8(rows_out[i], narrow);
                std::uint8_t* to = t + i * target_stride;
                if (wide_stores)
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), packed);
                else
                    store12(to, packed);
            }
        }
        for (; k < columns; ++k, t += target_stride)
            for (int i = 0; i < 4; ++i)
                std::memcpy(t + 3 * i, s0 + source_step * i + 3 * static_cast<std::size_t>(k), 3);
    }
    return j;
}

}  // namespace korvix::kernels
