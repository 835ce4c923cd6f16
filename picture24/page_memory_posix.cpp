// Pages on POSIX systems: an anonymous mapping aligned to 2 MiB and, on
// Linux, offered huge pages (a fresh multi-megabyte buffer otherwise spends
// more time in page faults than in the operation that fills it).
#include <sys/mman.h>

#include <cstdint>

#include "picture24/page_memory.h"

namespace korvix::detail {
namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}  // namespace

void* map_pages(std::size_t size) noexcept {
    // Map more, then cut the mapping down to an aligned `size`.
    const std::size_t mapped = size + kHugePage;
    if (mapped < size) return nullptr;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    auto* const first = static_cast<char*>(p);
    const auto address = reinterpret_cast<std::uintptr_t>(first);
    char* const aligned = first + ((kHugePage - address % kHugePage) % kHugePage);
    if (aligned != first) ::munmap(first, static_cast<std::size_t>(aligned - first));
    char* const end = aligned + size;
    if (end != first + mapped) ::munmap(end, static_cast<std::size_t>(first + mapped - end));
#if defined(MADV_HUGEPAGE)
    ::madvise(aligned, size, MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
    return aligned;
}

void unmap_pages(void* pages, std::size_t size) noexcept { ::munmap(pages, size); }

void trim_pages(void* pages, std::size_t size, std::size_t keep) noexcept {
    if (keep < size) ::munmap(static_cast<char*>(pages) + keep, size - keep);
}

}  // namespace korvix::detail
