// A quarter turn of a 1200-dpi A4 colour page (9921 x 14031 pixels, 417 MB),
// more than a 32-bit process can comfortably turn. Prints the time of each
// turn (wall time, best of three) and the process's peak memory against the
// page's size (Rotate90 turns the page's square in its own buffer and needs
// room only for the part beyond it); checks that the turned page holds the
// right pixels.
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <utility>

#include "picture24/picture24.h"

using korvix::Picture24;

namespace {

constexpr std::int32_t kWidth = 9921, kHeight = 14031;  // A4 at 1200 dpi

double now_seconds() {
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// A pixel's colour from its place on the original page, so a turned page can
// be checked anywhere.
std::uint32_t colour_at(std::int32_t x, std::int32_t y) {
    return static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF) << 16 | static_cast<std::uint32_t>(x & 0xFF) << 8 |
           static_cast<std::uint32_t>(y & 0xFF);
}

// After `turns` quarter turns clockwise, original (x, y) is found here.
bool turned_pixels_right(const Picture24& p, int turns) {
    const std::int32_t probes[][2] = {{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1},
                                      {1234, 5678}, {9000, 14000}, {4960, 7015}};
    for (const auto& probe : probes) {
        std::int32_t x = probe[0], y = probe[1], w = kWidth, h = kHeight;
        for (int t = 0; t < turns; ++t) {
            const std::int32_t nx = h - 1 - y, ny = x;
            x = nx;
            y = ny;
            std::swap(w, h);
        }
        if (static_cast<std::uint32_t>(p.pixel(x, y)) != colour_at(probe[0], probe[1])) return false;
    }
    return true;
}

double megabytes(std::size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int main() {
    std::printf("Windows build (%zu-bit): Rotate90 of a %d x %d colour page\n", sizeof(void*) * 8, kWidth, kHeight);
    try {
        Picture24 page;
        if (!page.create(kWidth, kHeight)) return 2;
        for (std::int32_t y = 0; y < kHeight; ++y) {
            std::uint8_t* row = page.row(y);
            for (std::int32_t x = 0; x < kWidth; ++x) {
                const std::uint32_t c = colour_at(x, y);
                row[3 * x] = static_cast<std::uint8_t>(c);
                row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
            }
        }
        std::printf("page: %zu bytes (%.0f MB)\n", page.size_bytes(), megabytes(page.size_bytes()));
        double best = 1e9;
        for (int turn = 1; turn <= 3; ++turn) {
            const double start = now_seconds();
            page.rotate90();
            const double took = now_seconds() - start;
            best = took < best ? took : best;
            std::printf("turn %d: %.0f ms, %d x %d, pixels %s\n", turn, took * 1e3, page.width(), page.height(),
                        turned_pixels_right(page, turn) ? "right" : "WRONG");
            if (!turned_pixels_right(page, turn)) return 3;
        }
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
            std::printf("Rotate90: %.0f ms (best of 3); peak working set %.0f MB (%.2f x the page), "
                        "peak committed %.0f MB\n",
                        best * 1e3, megabytes(counters.PeakWorkingSetSize),
                        static_cast<double>(counters.PeakWorkingSetSize) / static_cast<double>(page.size_bytes()),
                        megabytes(counters.PeakPagefileUsage));
    } catch (const std::exception& e) {
        std::printf("failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
