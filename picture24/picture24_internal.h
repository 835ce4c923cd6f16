// Helpers shared by the picture's source files (not part of the interface).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "picture24/picture24.h"

namespace korvix {
namespace detail {

// An uninitialised buffer of `size` bytes; callers write every byte. Allocation
// failure becomes a picture24_error so the binding can report it.
inline std::unique_ptr<std::uint8_t[]> allocate_bytes(std::size_t size) {
  std::uint8_t* p = new (std::nothrow) std::uint8_t[size];
  if (!p) throw picture24_error(picture24_errc::out_of_memory, "Not enough memory for the picture.");
  return std::unique_ptr<std::uint8_t[]>(p);
}

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
