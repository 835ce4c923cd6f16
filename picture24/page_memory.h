// Large pixel buffers taken straight from the system's pages, so that a
// buffer can give its tail back without moving (a crop in place). Sizes are
// multiples of kPageBytes. Internal to the picture.
#pragma once

#include <cstddef>

namespace korvix::detail {

inline constexpr std::size_t kPageBytes = 4096;

// Zeroed, committed pages; nullptr when the system has none to give.
void* map_pages(std::size_t size) noexcept;
void unmap_pages(void* pages, std::size_t size) noexcept;
// Gives back the pages from `keep` to `size` (the buffer keeps its address).
void trim_pages(void* pages, std::size_t size, std::size_t keep) noexcept;

}  // namespace korvix::detail
