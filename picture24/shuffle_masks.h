// Byte-shuffle masks for 48-byte groups (16 pixels of 3 bytes), made at
// compile time from where each output byte comes from. Only plain data: this
// header is included by the kernels built for wider instruction sets, which
// must not share inline code with the rest.
#pragma once

#include <cstdint>

namespace korvix::kernels {

// masks[out][in]: for output vector `out` (bytes 16 out .. 16 out + 15 of
// the result), the shuffle of input vector `in` that brings the bytes it
// supplies into place; 0x80 (zero) elsewhere.
struct ShuffleMasks {
    alignas(16) std::int8_t masks[3][3][16];
    bool used[3][3];
};

// source(J): the input byte (0..47) whose value becomes output byte J, or -1
// for a zero byte.
template <typename Source>
constexpr ShuffleMasks make_masks(Source source) {
    ShuffleMasks m{};
    for (int out = 0; out < 3; ++out)
        for (int in = 0; in < 3; ++in) {
            m.used[out][in] = false;
            for (int j = 0; j < 16; ++j) {
                const int from = source(16 * out + j);
                const bool here = from >= 16 * in && from < 16 * in + 16;
                m.masks[out][in][j] = static_cast<std::int8_t>(here ? from - 16 * in : 0x80);
                m.used[out][in] = m.used[out][in] || here;
            }
        }
    return m;
}

// Sixteen pixels in reverse order.
constexpr ShuffleMasks kReversePixels = make_masks([](int j) { return 45 - 3 * (j / 3) + j % 3; });
// Blue, green and red of sixteen pixels, each gathered into its own vector.
constexpr ShuffleMasks kSplitChannels = make_masks([](int j) { return 3 * (j % 16) + j / 16; });

// One vector of sixteen bytes spread over 48, each three times: pixel j of
// the output gets byte j in all three channels (input bytes 0..15 only).
constexpr ShuffleMasks kSpreadGreys = make_masks([](int j) { return j / 3; });

// Four 3-byte pixels to four 4-byte ones (the fourth byte zero), and back.
alignas(16) constexpr std::int8_t kWidenFour[16] = {0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128};
alignas(16) constexpr std::int8_t kNarrowFour[16] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128};

}  // namespace korvix::kernels
