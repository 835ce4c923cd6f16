// Large pixel buffers in whole pages of their own, so that a buffer can give
// the memory of its tail back without moving (a crop in place). Internal to
// the picture.
#pragma once

#include <cstddef>

namespace korvix::detail {

inline constexpr std::size_t kPageBytes = 4096;

// At least `size` bytes (a multiple of kPageBytes) starting on a page;
// nullptr when the system has none to give.
void* take_pages(std::size_t size) noexcept;
void release_pages(void* pages, std::size_t size) noexcept;
// Gives the memory of the pages from `keep` to `size` back to the system
// (`keep` a multiple of kPageBytes); the buffer must not touch them again.
void give_back_pages(void* pages, std::size_t size, std::size_t keep) noexcept;

}  // namespace korvix::detail
