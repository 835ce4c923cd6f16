// Allocation of pixel buffers.
#include <cstdlib>

#include "picture24/picture24_internal.h"

#if defined(_WIN32)
#include <malloc.h>  // _aligned_malloc (C runtime, not the Windows API)
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace korvix::detail {

namespace {
constexpr std::size_t kLarge = std::size_t{4} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}  // namespace

Bytes allocate_bytes(std::size_t size) {
  const std::size_t alignment = size >= kLarge ? kHugePage : 64;
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  if (rounded < size) throw picture24_error(picture24_errc::too_large, "The picture is too large.");
#if defined(_WIN32)
  void* p = _aligned_malloc(rounded == 0 ? alignment : rounded, alignment);
#else
  void* p = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
#endif
  if (!p) throw picture24_error(picture24_errc::out_of_memory, "Not enough memory for the picture.");
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (size >= kLarge) madvise(p, rounded, MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
  return Bytes(static_cast<std::uint8_t*>(p));
}

void ReleaseBytes::operator()(std::uint8_t* bytes) const noexcept {
#if defined(_WIN32)
  _aligned_free(bytes);
#else
  std::free(bytes);
#endif
}

}  // namespace korvix::detail
