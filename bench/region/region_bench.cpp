// Window regions from a colour key on a 4000 x 4000 picture: the picture's
// one-pass rectangle list handed to GDI through ExtCreateRegion (in slices
// joined by unions, see key_region.h),
// against the run-by-run construction (full rectangle, one CombineRgn
// RGN_XOR per run of key pixels). Prints the times and the ratio measured in
// this run, and checks that both give the same region.
//
//   korvix_region_bench.exe [--size N] [--bands 16,32,64,128] [--single-call 2000,4000,8000,16000]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/win/key_region.h"
#include "tests/wine/picture24/xor_region.h"

namespace {

using korvix::Picture24;
using korvix::unique_hrgn;
using Clock = std::chrono::steady_clock;

constexpr int32_t kKey = 0x00ff00ff;
constexpr int32_t kOther = 0x00204060;

double seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Key pixels where (x + shift * y) mod 16 < 8: 8-pixel runs every 16 pixels,
// so a 4000-wide row has 250 runs. shift 0 repeats every row (GDI merges them
// into one band); shift 5 makes every row differ from its neighbours.
Picture24 striped(int size, int shift) {
    Picture24 p;
    p.create(size, size, kOther);
    for (int y = 0; y < size; ++y) {
        uint8_t* row = p.row(y);
        for (int x = 0; x < size; ++x)
            if ((x + shift * y) % 16 < 8) {
                row[3 * x] = 0xff;
                row[3 * x + 1] = 0x00;
                row[3 * x + 2] = 0xff;
            }
    }
    return p;
}

long count_runs(const Picture24& p) {
    long runs = 0;
    for (int y = 0; y < p.height(); ++y) {
        bool in_run = false;
        for (int x = 0; x < p.width(); ++x) {
            const bool key = p.pixel(x, y) == kKey;
            if (key && !in_run) ++runs;
            in_run = key;
        }
    }
    return runs;
}

std::vector<unsigned char> region_bytes(HRGN region) {
    const DWORD size = ::GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> data(size);
    if (size) ::GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data()));
    return data;
}

DWORD rect_count(HRGN region) {
    const std::vector<unsigned char> data = region_bytes(region);
    return data.empty() ? 0 : reinterpret_cast<const RGNDATA*>(data.data())->rdh.nCount;
}

// Same region, and the same bytes from GetRegionData.
bool identical(HRGN a, HRGN b) { return ::EqualRgn(a, b) && region_bytes(a) == region_bytes(b); }

// Our region clipped to rows [top, top + rows) against the run-by-run region
// built over those rows only.
bool band_matches(HRGN ours, const Picture24& p, int top, int rows) {
    unique_hrgn xor_band = korvix::test::xor_key_region(p.data(), p.stride(), p.width(), top, rows, kKey);
    unique_hrgn clip(::CreateRectRgn(0, top, p.width(), top + rows));
    unique_hrgn ours_band(::CreateRectRgn(0, 0, 0, 0));
    ::CombineRgn(ours_band.get(), ours, clip.get(), RGN_AND);
    return identical(ours_band.get(), xor_band.get());
}

double time_ours(Picture24& p) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) best = std::min(best, seconds([&] { korvix::create_region(p, kKey); }));
    return best;
}

std::vector<int> parse_list(const char* text) {
    std::vector<int> out;
    for (const char* s = text; *s;) {
        out.push_back(std::atoi(s));
        while (*s && *s != ',') ++s;
        if (*s == ',') ++s;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    int size = 4000;
    std::vector<int> bands{16, 32, 64, 128};
    std::vector<int> single_call_counts{2000, 4000, 8000, 16000};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--size")) size = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--bands")) bands = parse_list(argv[i + 1]);
        if (!std::strcmp(argv[i], "--single-call")) single_call_counts = parse_list(argv[i + 1]);
    }
    if (size < 16 || bands.empty()) return 2;
    int failures = 0;
    double worst_ratio = 1e30;

    // 1. Repeating rows: the run-by-run region stays small, so it can be
    //    built over the whole picture and timed directly.
    {
        Picture24 p = striped(size, 0);
        const long runs = count_runs(p);
        const double ours = time_ours(p);
        unique_hrgn reference;
        const double baseline = seconds([&] {
            reference = korvix::test::xor_key_region(p.data(), p.stride(), p.width(), 0, p.height(), kKey);
        });
        const bool same = identical(korvix::held_region(p), reference.get());
        const double ratio = baseline / ours;
        worst_ratio = std::min(worst_ratio, ratio);
        std::printf("repeating rows  %dx%d, %ld runs, %lu rectangles\n", size, size, runs,
                    static_cast<unsigned long>(rect_count(reference.get())));
        std::printf("  one pass + ExtCreateRegion : %10.4f s\n", ours);
        std::printf("  CombineRgn XOR per run     : %10.4f s (whole picture)\n", baseline);
        std::printf("  ratio %.1fx, region data %s\n", ratio, same ? "identical" : "DIFFERENT");
        failures += same ? 0 : 1;
    }

    // 2. Every row different: a region of about one rectangle per run. Each
    //    XOR rewrites the whole region built so far, so the baseline grows
    //    quadratically; it is timed on bands of rows at the top and scaled
    //    linearly to the picture's height, which understates it.
    {
        Picture24 p = striped(size, 5);
        const long runs = count_runs(p);
        const double ours = time_ours(p);
        HRGN held = korvix::held_region(p);
        std::printf("shifted rows    %dx%d, %ld runs, %lu rectangles\n", size, size, runs,
                    static_cast<unsigned long>(rect_count(held)));
        std::printf("  one pass + ExtCreateRegion : %10.4f s\n", ours);
        double scaled = 0;
        for (int rows : bands) {
            rows = std::min(rows, size);
            unique_hrgn band;
            const double t = seconds([&] {
                band = korvix::test::xor_key_region(p.data(), p.stride(), p.width(), 0, rows, kKey);
            });
            scaled = t * double(size) / double(rows);
            std::printf("  CombineRgn XOR per run     : %10.4f s for %d rows -> %.2f s scaled to %d rows\n", t, rows,
                        scaled, size);
        }
        const double ratio = scaled / ours;
        worst_ratio = std::min(worst_ratio, ratio);
        const int mid = size / 2 - bands.back() / 2;
        const bool same = band_matches(held, p, 0, bands.back()) && band_matches(held, p, mid, bands.back()) &&
                          band_matches(held, p, size - 16, 16);
        std::printf("  ratio %.1fx (against the linear scale of the largest band), region data in bands %s\n", ratio,
                    same ? "identical" : "DIFFERENT");
        failures += same ? 0 : 1;
    }

    // 3. Why the rectangles reach GDI in slices: Wine builds one
    //    ExtCreateRegion call by a union per rectangle, each copying the
    //    region so far, so a single call grows quadratically.
    {
        Picture24 p = striped(size, 5);
        const std::vector<korvix::RegionRect> all = p.key_region_rects(kKey);
        for (int count : single_call_counts) {
            if (size_t(count) > all.size()) break;
            const std::vector<korvix::RegionRect> some(all.begin(), all.begin() + count);
            unique_hrgn one, sliced;
            const double t_one = seconds([&] { one = korvix::region_from_rects(some, some.size()); });
            const double t_sliced = seconds([&] { sliced = korvix::region_from_rects(some); });
            const bool same = identical(one.get(), sliced.get());
            std::printf("%7d rectangles: one ExtCreateRegion call %8.4f s, slices of %u + unions %8.4f s (%s)\n", count,
                        t_one, unsigned(korvix::kRegionRectsPerCall), t_sliced, same ? "identical" : "DIFFERENT");
            failures += same ? 0 : 1;
        }
    }

    std::printf("smallest ratio %.1fx (target 50x): %s\n", worst_ratio, worst_ratio >= 50 ? "met" : "NOT MET");
    return failures ? 1 : 0;
}
