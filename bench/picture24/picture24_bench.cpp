// Times every whole-picture operation on a 5000 x 5000 picture and prints
// each as a ratio to a plain memcpy of the same buffer, measured in the same
// run, and to the same operation done by ImageMagick on one thread.
//
// Times are processor time (user + system) rather than wall time, so that
// other work on a shared machine disturbs the figures less; each is the best
// of several runs. Page faults of fresh buffers count: they are system time.
//
// ImageMagick method: `convert in.ppm <operation> null:` minus
// `convert in.ppm null:` (start-up and reading the file), the best of four
// alternating runs of each, measured as the child's processor time, with
// MAGICK_THREAD_LIMIT=1 and -limit thread 1. KORVIX_BENCH_NO_MAGICK=1 skips it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/resource.h>
#include <time.h>
#endif

#include "picture24/picture24.h"
#include "picture24/pixel_kernels.h"

using korvix::Picture24;

namespace {

constexpr int kSide = 5000;
constexpr int kRuns = 9;

// A scan-like picture: smooth gradients and soft shapes with a little noise,
// so colours repeat locally as they do on paper and photos.
Picture24 make_scan(int width = kSide, int height = kSide) {
  Picture24 p;
  p.create(width, height);
  std::mt19937 rng(42);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.row(y);
    for (int x = 0; x < width; ++x) {
      const int noise = static_cast<int>(rng() % 5) - 2;
      const bool ink = ((x / 40 + y / 60) % 7 == 0) && (y % 60 < 30);
      int b = 230 - y / 50 + noise, g = 225 - x / 60 + noise, r = 220 - (x + y) / 100 + noise;
      if (ink) b = 30 + noise, g = 35 + noise, r = 40 + (x % 3);
      row[3 * x] = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
      row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
      row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(r, 0, 255));
    }
  }
  return p;
}

#if defined(_WIN32)
// Under Wine the thread's processor time is counted in 10 ms ticks, too
// coarse for one operation: wall time, the best of the runs.
double thread_seconds() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

double children_seconds() { return 0; }
#else
double thread_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double children_seconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}
#endif

// Best of `runs` runs of `op` on a fresh copy of `source` (the copy is not timed).
double time_op(const Picture24& source, const std::function<void(Picture24&)>& op, int runs = kRuns) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    Picture24 p(source);
    const double start = thread_seconds();
    op(p);
    best = std::min(best, thread_seconds() - start);
  }
  return best;
}

double time_memcpy(const Picture24& source, int runs = kRuns) {
  static std::vector<std::uint8_t> target;  // touched once, reused
  target.resize(source.size_bytes(), 1);
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const double start = thread_seconds();
    std::memcpy(target.data(), source.data(), source.size_bytes());
    best = std::min(best, thread_seconds() - start);
    if (target[12345] == 0xEE && target[54321] == 0xEF) std::puts("");  // keep the copy
  }
  return best;
}

void write_ppm(const Picture24& p, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", p.width(), p.height());
  std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(p.width()));
  for (int y = 0; y < p.height(); ++y) {
    const std::uint8_t* row = p.row(y);
    for (int x = 0; x < p.width(); ++x) {
      rgb[3 * x] = row[3 * x + 2];
      rgb[3 * x + 1] = row[3 * x + 1];
      rgb[3 * x + 2] = row[3 * x];
    }
    std::fwrite(rgb.data(), 1, rgb.size(), f);
  }
  std::fclose(f);
}

double time_command(const std::string& command, int runs) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const double start = children_seconds();
    if (std::system(command.c_str()) != 0) return -1;
    best = std::min(best, children_seconds() - start);
  }
  return best;
}

// Random bytes: no colour repeats, the worst case for per-colour caching.
Picture24 make_noise() {
  Picture24 p;
  p.create(kSide, kSide);
  std::mt19937 rng(7);
  for (int y = 0; y < kSide; ++y) {
    std::uint8_t* row = p.row(y);
    for (int i = 0; i < 3 * kSide; ++i) row[i] = static_cast<std::uint8_t>(rng());
  }
  return p;
}

struct Row {
  std::string name;
  std::function<void(Picture24&)> op;
  std::string magick;  // ImageMagick operator(s); empty when there is no counterpart
  const Picture24* picture = nullptr;  // another picture instead of the scan
};

}  // namespace

int main() {
  // KORVIX_BENCH_KERNELS=sse2 (or ssse3) times the narrower kernels.
  if (const char* wanted = std::getenv("KORVIX_BENCH_KERNELS")) {
    using korvix::kernels::Level;
    const std::string name = wanted;
    korvix::kernels::use_level(name == "sse2" ? Level::sse2 : name == "ssse3" ? Level::ssse3 : Level::avx2);
  }
  std::printf("Building a %d x %d picture...\n", kSide, kSide);
  const Picture24 scan = make_scan();
  const Picture24 noise = make_noise();
  // A page's proportions (1 : 1.414) with about the same bytes: not a square.
  const Picture24 page = make_scan(4200, 5940);
  const double copy = time_memcpy(scan);

#if defined(_WIN32)
  const bool magick = false;  // the yardstick runs natively only
  std::printf("Windows build (%zu-bit), wall time\n", sizeof(void*) * 8);
#else
  const bool magick = std::getenv("KORVIX_BENCH_NO_MAGICK") == nullptr;
#endif
  std::string ppm, magick_base;
  double magick_baseline = 0;
  if (magick) {
    ppm = "/tmp/korvix_picture24_bench.ppm";
    write_ppm(scan, ppm);
    magick_base = "MAGICK_THREAD_LIMIT=1 convert -limit thread 1 " + ppm + " ";
    magick_baseline = time_command(magick_base + "null:", 3);
  }

  const int half = kSide / 2;
  const std::vector<Row> rows = {
      // A new buffer written once: what every operation that makes a new
      // picture (Rotate90, Resize, a Crop that gives memory back) pays first.
      {"Create (new black picture)", [](Picture24& p) { p.create(kSide, kSide); }, ""},
      {"Invert (all channels)", [](Picture24& p) { p.invert(true, true, true); }, "-negate"},
      {"Invert (red only)", [](Picture24& p) { p.invert(true, false, false); }, "-channel R -negate +channel"},
      {"Mirror", [](Picture24& p) { p.mirror(); }, "-flop"},
      {"Flip", [](Picture24& p) { p.flip(); }, "-flip"},
      {"Crop (centre quarter)", [=](Picture24& p) { p.crop(half / 2, half / 2, half, half); },
       "-crop " + std::to_string(half) + "x" + std::to_string(half) + "+" + std::to_string(half / 2) + "+" +
           std::to_string(half / 2) + " +repage"},
      {"Crop (whole, shifted)", [](Picture24& p) { p.crop(-7, 5, kSide, kSide); }, ""},
      {"GrayScale", [](Picture24& p) { p.grayscale(); }, "-grayscale Rec709Luma"},
      {"BlackWhite", [](Picture24& p) { p.black_white(); }, "-threshold 75%"},
      {"Brightness(128)", [](Picture24& p) { p.brightness(128); }, "-evaluate multiply 0.502"},
      {"Contrast(2)", [](Picture24& p) { p.contrast(2); }, "-function Polynomial 2,-0.5"},
      {"Rotate90", [](Picture24& p) { p.rotate90(); }, "-rotate 90"},
      {"Rotate90, page-shaped 4200 x 5940", [](Picture24& p) { p.rotate90(); }, "", &page},
      {"Blur", [](Picture24& p) { p.blur(); },
       "-define convolve:scale=0.2 -morphology Convolve 3x3:1,0,0,0,1,1,0,1,1"},
      {"Sharpen(1.5)", [](Picture24& p) { p.sharpen(1.5f); },
       "-morphology Convolve 3x3:0,0,0,0,2.5,0,0,0,-1.5"},
      {"Lightness(20)", [](Picture24& p) { p.lightness(20); }, "-modulate 120,100,100"},
      {"Lightness(20), noise picture", [](Picture24& p) { p.lightness(20); }, "", &noise},
      {"GrayScale, noise picture", [](Picture24& p) { p.grayscale(); }, "", &noise},
      {"Resize (half)", [=](Picture24& p) { p.resize(half, half); },
       "-sample " + std::to_string(half) + "x" + std::to_string(half) + "!"},
      {"Resize (x1.5)", [](Picture24& p) { p.resize(kSide * 3 / 2, kSide * 3 / 2); },
       "-sample " + std::to_string(kSide * 3 / 2) + "x" + std::to_string(kSide * 3 / 2) + "!"},
      {"Key region rectangles", [](Picture24& p) { volatile auto n = p.key_region_rects(0x1E2328).size(); (void)n; }, ""},
  };

  // Our times first, with memcpy measured again before each operation: the
  // ratios use the best memcpy of the whole run, the least flattering choice.
  std::vector<double> ours;
  double copy_best = copy;
  for (const Row& row : rows) {
    copy_best = std::min(copy_best, time_memcpy(scan));
    ours.push_back(time_op(row.picture ? *row.picture : scan, row.op));
  }
  std::vector<std::string> theirs;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    if (!magick || row.magick.empty()) {
      theirs.push_back(" - | - |");
      continue;
    }
    // Baseline and operation alternate, so a busy spell hits both alike.
    double m = 1e9;
    for (int k = 0; k < 4; ++k) {
      magick_baseline = std::min(magick_baseline, time_command(magick_base + "null:", 1));
      m = std::min(m, time_command(magick_base + row.magick + " null:", 1));
    }
    const double net = m - magick_baseline;
    char cell[96];
    if (m < 0)
      std::snprintf(cell, sizeof cell, " failed | - |");
    else if (net < 0.005)
      std::snprintf(cell, sizeof cell, " < 5 (below noise) | - |");
    else
      std::snprintf(cell, sizeof cell, " %.0f | %.3f |", net * 1e3, ours[i] / net);
    theirs.push_back(cell);
  }

  std::printf("kernels: %s\n", korvix::kernels::level_name(korvix::kernels::level()));
  std::printf("memcpy of the %zu-byte buffer: %.1f ms (best of the run)\n\n", scan.size_bytes(), copy_best * 1e3);
  std::printf("| Operation | Time (ms) | x memcpy | ImageMagick 1 thread (ms) | x ImageMagick |\n");
  std::printf("|---|---:|---:|---:|---:|\n");
  for (std::size_t i = 0; i < rows.size(); ++i)
    std::printf("| %s | %.1f | %.2f |%s\n", rows[i].name.c_str(), ours[i] * 1e3, ours[i] / copy_best, theirs[i].c_str());
  if (magick) {
    std::printf("\nImageMagick read-only baseline (subtracted): %.0f ms\n", magick_baseline * 1e3);
    std::remove(ppm.c_str());
  }

  // The operations bound by computation, and Crop, on pictures small enough
  // to stay in the cache (as if memory were much faster), at every kernel
  // level the processor has: what the wider kernels buy.
  constexpr int kSmall = 384;  // 442 KB
  const Picture24 small = make_scan(kSmall, kSmall);
  const Picture24 small_page = make_scan(324, 458);  // the page's proportions, about as many bytes
  const korvix::kernels::Level chosen = korvix::kernels::level();
  std::printf("\nIn cache, %d x %d picture (%zu bytes), best of 200 (x memcpy of it in cache):\n\n", kSmall, kSmall,
              small.size_bytes());
  std::printf("| Kernels | memcpy (us) | Create (a new buffer written once) | Mirror | GrayScale | Rotate90 | "
              "Rotate90, page-shaped 324 x 458 | Crop (centre quarter) |\n|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (int l = 0; l <= static_cast<int>(korvix::kernels::best_level()); ++l) {
    const auto level = korvix::kernels::use_level(static_cast<korvix::kernels::Level>(l));
    const double copy_small = time_memcpy(small, 200);
    const int quarter = kSmall / 4;
    const double times[6] = {
        time_op(small, [](Picture24& p) { p.create(kSmall, kSmall); }, 200),
        time_op(small, [](Picture24& p) { p.mirror(); }, 200),
        time_op(small, [](Picture24& p) { p.grayscale(); }, 200),
        time_op(small, [](Picture24& p) { p.rotate90(); }, 200),
        time_op(small_page, [](Picture24& p) { p.rotate90(); }, 200),
        time_op(small, [=](Picture24& p) { p.crop(quarter, quarter, 2 * quarter, 2 * quarter); }, 200)};
    std::printf("| %s | %.1f |", korvix::kernels::level_name(level), copy_small * 1e6);
    for (double t : times) std::printf(" %.1f us (%.2f x) |", t * 1e6, t / copy_small);
    std::printf("\n");
  }
  korvix::kernels::use_level(chosen);
  return 0;
}
