// The shipped 32-bit build: the SSSE3 and AVX2 kernels give the SSE2 code's
// bytes (which the native suite holds against the plain reference), on
// awkward sizes and, for the grey scale, on every colour.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "picture24/picture24.h"
#include "picture24/pixel_kernels.h"

namespace korvix {
namespace {

Picture24 random_picture(std::int32_t width, std::int32_t height, std::mt19937& rng) {
    Picture24 p;
    p.create(width, height);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < 3 * width; ++x) p.row(y)[x] = static_cast<std::uint8_t>(rng());
    return p;
}

Picture24 every_colour() {
    Picture24 p;
    p.create(4096, 4096);
    for (std::int32_t y = 0; y < 4096; ++y)
        for (std::int32_t x = 0; x < 4096; ++x) {
            const std::uint32_t colour = static_cast<std::uint32_t>(y) * 4096 + static_cast<std::uint32_t>(x);
            std::memcpy(p.row(y) + 3 * x, &colour, 3);
        }
    return p;
}

TEST(KernelLevels, EveryLevelGivesTheSse2Bytes) {
    const kernels::Level best = kernels::best_level();
    std::printf("processor: %s\n", kernels::level_name(best));
    std::mt19937 rng(21);
    std::vector<Picture24> sources;
    for (const auto& [w, h] : {std::pair{1, 1}, {15, 3}, {33, 70}, {47, 64}, {70, 130}, {1023, 517}})
        sources.push_back(random_picture(w, h, rng));
    sources.push_back(every_colour());
    const std::pair<const char*, std::function<void(Picture24&)>> operations[] = {
        {"mirror", [](Picture24& p) { p.mirror(); }},
        {"grayscale", [](Picture24& p) { p.grayscale(); }},
        {"rotate90", [](Picture24& p) { p.rotate90(); }}};
    for (const auto& [name, run] : operations)
        for (const Picture24& source : sources) {
            kernels::use_level(kernels::Level::sse2);
            Picture24 expected(source);
            run(expected);
            for (int l = 1; l <= static_cast<int>(best); ++l) {
                const kernels::Level level = kernels::use_level(static_cast<kernels::Level>(l));
                Picture24 fast(source);
                run(fast);
                EXPECT_TRUE(fast.compare(expected)) << name << " at " << kernels::level_name(level) << " on "
                                                    << source.width() << "x" << source.height();
            }
        }
    kernels::use_level(best);
}

}  // namespace
}  // namespace korvix
