// Pages on POSIX systems: the C allocator's, aligned to 2 MiB and, on Linux,
// offered huge pages (a fresh multi-megabyte buffer otherwise spends more
// time in page faults than in the operation that fills it). Pages given back
// are dropped from memory; the addresses stay with the buffer until it is
// freed.
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "picture24/page_memory.h"

namespace korvix::detail {
namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}  // namespace

void* take_pages(std::size_t size) noexcept {
    const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    if (rounded < size) return nullptr;
    void* p = std::aligned_alloc(kHugePage, rounded);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (p) ::madvise(p, rounded, MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
    return p;
}

void release_pages(void* pages, std::size_t) noexcept { std::free(pages); }

void give_back_pages(void* pages, std::size_t size, std::size_t keep) noexcept {
#if defined(__linux__)
    if (keep < size) ::madvise(static_cast<char*>(pages) + keep, size - keep, MADV_DONTNEED);
#else
    (void)pages, (void)size, (void)keep;
#endif
}

}  // namespace korvix::detail
