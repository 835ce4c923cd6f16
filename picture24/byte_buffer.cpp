// Allocation of pixel buffers: small ones from the C runtime, large ones in
// whole pages of their own (page_memory.h).
#include <cstdint>
#include <cstdlib>

#include "picture24/page_memory.h"
#include "picture24/picture24_internal.h"

#if defined(_WIN32)
#include <malloc.h>  // _aligned_malloc (C runtime, not the Windows API)
#endif

namespace korvix::detail {

namespace {
constexpr std::size_t kLarge = std::size_t{4} << 20;
constexpr std::size_t kAlignment = 64;

std::size_t round_up(std::size_t size, std::size_t unit) {
  const std::size_t rounded = (size + unit - 1) / unit * unit;
  if (rounded < size) throw picture24_error(picture24_errc::too_large, "The picture is too large.");
  return rounded;
}
}  // namespace

Bytes allocate_bytes(std::size_t size) {
  if (size >= kLarge) {
    const std::size_t pages = round_up(size, kPageBytes);
    void* p = take_pages(pages);
    if (!p) throw picture24_error(picture24_errc::out_of_memory, "Not enough memory for the picture.");
    return Bytes(static_cast<std::uint8_t*>(p), ReleaseBytes{pages, true});
  }
  const std::size_t rounded = round_up(size == 0 ? 1 : size, kAlignment);
#if defined(_WIN32)
  void* p = _aligned_malloc(rounded, kAlignment);
#else
  void* p = std::aligned_alloc(kAlignment, rounded);
#endif
  if (!p) throw picture24_error(picture24_errc::out_of_memory, "Not enough memory for the picture.");
  return Bytes(static_cast<std::uint8_t*>(p), ReleaseBytes{rounded, false});
}

std::size_t picture_room(std::int32_t width, std::int32_t height) {
  const std::size_t size = Picture24::checked_size(width, height);
  const std::uint64_t turned = (3 * static_cast<std::uint64_t>(height) + Picture24::row_padding(height)) *
                               static_cast<std::uint64_t>(width);
  return turned > size && turned <= SIZE_MAX ? static_cast<std::size_t>(turned) : size;
}

void trim_bytes(Bytes& bytes, std::size_t size) noexcept {
  ReleaseBytes& held = bytes.get_deleter();
  if (!bytes || !held.pages) return;
  const std::size_t keep = (size + kPageBytes - 1) / kPageBytes * kPageBytes;
  if (keep == 0 || keep >= held.capacity) return;
  give_back_pages(bytes.get(), held.capacity, keep);
  held.capacity = keep;
}

void ReleaseBytes::operator()(std::uint8_t* bytes) const noexcept {
  if (pages) {
    release_pages(bytes, capacity);
    return;
  }
#if defined(_WIN32)
  _aligned_free(bytes);
#else
  std::free(bytes);
#endif
}

}  // namespace korvix::detail
