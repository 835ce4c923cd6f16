// Row and tile kernels of the operations bound by computation (mirror, grey
// scale, quarter turn) for what the processor offers beyond the SSE2 floor,
// chosen once at run time. Every kernel gives exactly the bytes of the SSE2
// code. Internal to the picture; no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvix::kernels {

enum class Level { sse2 = 0, ssse3 = 1, avx2 = 2 };

// What this processor (and its operating system, for AVX2's registers) offers.
Level best_level() noexcept;
// The level the operations use: best_level() unless a test or benchmark
// asked for a lower one.
Level level() noexcept;
// Uses `wanted`, or best_level() when that is lower. Returns the level now used.
Level use_level(Level wanted) noexcept;
const char* level_name(Level level) noexcept;

// Mirror: swaps blocks of 16 pixels between the two ends of a row, each
// block reversed, while a whole block per end remains. Returns how many
// pixels it mirrored at each end; the caller mirrors the middle span that is
// left. (Wider registers gain nothing here: the work is the shuffles.)
std::int32_t mirror_ends_ssse3(std::uint8_t* row, std::int32_t width) noexcept;

// Grey scale of the first pixels of a row, 16 (32) at a time; returns how
// many it did (the SSE2 code's formula and rounding, bit for bit).
std::int32_t grayscale_ssse3(std::uint8_t* row, std::int32_t width) noexcept;
std::int32_t grayscale_avx2(std::uint8_t* row, std::int32_t width) noexcept;

// Quarter turn of a tile: `source` is old pixel (k0, h - 1 - j0) and
// `source_step` the (negative) step to the next old row up; `target` is new
// pixel (j0, k0), new rows `target_stride` apart. Moves old rows j0.. in
// groups of 4 for columns k0 .. k0 + columns - 1, and returns how many old
// rows it did (the caller moves the rest). Reads and writes exactly the
// tile's pixel bytes. (An AVX2 8 x 8 transpose measured no faster.)
std::int32_t rotate_tile_ssse3(const std::uint8_t* source, std::ptrdiff_t source_step, std::uint8_t* target,
                               std::size_t target_stride, std::int32_t rows, std::int32_t columns) noexcept;

}  // namespace korvix::kernels
