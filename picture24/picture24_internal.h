// Helpers shared by the picture's source files (not part of the interface).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "picture24/picture24.h"

namespace korvix {
namespace detail {

// An uninitialised buffer of `size` bytes; callers write every byte. Large
// buffers are aligned (and on Linux offered huge pages) because a fresh
// multi-megabyte buffer otherwise spends more time in page faults than in
// the operation that fills it. Failure becomes picture24_error.
Bytes allocate_bytes(std::size_t size);

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
