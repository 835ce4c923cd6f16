// Helpers shared by the picture's source files (not part of the interface).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "picture24/picture24.h"

namespace korvix {
namespace detail {

// A buffer of at least `size` bytes, uninitialised: callers write every byte
// they use. Large buffers are whole pages of their own (page_memory.h).
// Failure becomes picture24_error.
Bytes allocate_bytes(std::size_t size);

// Bytes for a picture of `width` x `height` (at least 1 x 1) and for its
// quarter turn, whose rows may take up to 3 padding bytes more each. Every
// pixel buffer holds at least this for its picture, so that every picture
// turns in its own buffer.
std::size_t picture_room(std::int32_t width, std::int32_t height);

// Bytes the buffer holds; 0 for none.
inline std::size_t capacity(const Bytes& bytes) noexcept { return bytes ? bytes.get_deleter().capacity : 0; }

// Gives the memory of the pages past the first `size` bytes of a large
// buffer back to the system, and lowers its capacity to match; the buffer
// keeps its address. Small buffers stay as they are.
void trim_bytes(Bytes& bytes, std::size_t size) noexcept;

}  // namespace detail

// Marks the picture busy while an operation runs, so a progress listener
// cannot pull the buffer away underneath it.
class BusyScope {
 public:
  explicit BusyScope(Picture24& picture) : picture_(picture) {
    picture_.check_not_busy();
    picture_.busy_ = true;
  }
  ~BusyScope() { picture_.busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  Picture24& picture_;
};

}  // namespace korvix
