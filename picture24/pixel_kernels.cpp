// Which kernels this processor can run, decided once.
#include "picture24/pixel_kernels.h"

#include <atomic>

namespace korvix::kernels {
namespace {

Level detect() noexcept {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    __builtin_cpu_init();
    // The compiler's check of AVX2 includes the system saving its registers.
    if (__builtin_cpu_supports("avx2")) return Level::avx2;
    if (__builtin_cpu_supports("ssse3")) return Level::ssse3;
#endif
    return Level::sse2;
}

std::atomic<int>& chosen() noexcept {
    static std::atomic<int> level{static_cast<int>(best_level())};
    return level;
}

}  // namespace

Level best_level() noexcept {
    static const Level best = detect();
    return best;
}

Level level() noexcept { return static_cast<Level>(chosen().load(std::memory_order_relaxed)); }

Level use_level(Level wanted) noexcept {
    const Level used = static_cast<int>(wanted) < static_cast<int>(best_level()) ? wanted : best_level();
    chosen().store(static_cast<int>(used), std::memory_order_relaxed);
    return used;
}

const char* level_name(Level level) noexcept {
    switch (level) {
    case Level::avx2: return "AVX2";
    case Level::ssse3: return "SSSE3";
    case Level::sse2: break;
    }
    return "SSE2";
}

}  // namespace korvix::kernels
