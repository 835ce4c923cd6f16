// Pages on Windows: one reservation per buffer, committed at once. Giving
// pages back decommits them; their addresses stay reserved until the buffer
// is released.
#include <windows.h>

#include "picture24/page_memory.h"

namespace korvix::detail {

void* take_pages(std::size_t size) noexcept {
    return ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void release_pages(void* pages, std::size_t) noexcept { ::VirtualFree(pages, 0, MEM_RELEASE); }

void give_back_pages(void* pages, std::size_t size, std::size_t keep) noexcept {
    if (keep < size) ::VirtualFree(static_cast<char*>(pages) + keep, size - keep, MEM_DECOMMIT);
}

}  // namespace korvix::detail
