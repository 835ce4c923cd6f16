// Errors of the portable picture: one exception type carrying a code, so the
// COM binding can map each code to an HRESULT and keep the message as the
// IErrorInfo description.
#pragma once

#include <stdexcept>
#include <string>

namespace korvix {

enum class picture24_errc {
  invalid_size,   // a width or height below 1, or a box that cannot hold a picture
  too_large,      // a size whose byte count does not fit the address space
  out_of_memory,  // the allocation itself failed
  out_of_range,   // pixel coordinates outside the picture, or on an empty one
  wrong_shape,    // a byte block that is not stride x height bytes
  overflow,       // an argument whose arithmetic would leave its range
  busy,           // a change requested from inside a progress notification
};

class picture24_error : public std::runtime_error {
 public:
  picture24_error(picture24_errc code, const std::string& message)
      : std::runtime_error(message), code_(code) {}
  picture24_errc code() const noexcept { return code_; }

 private:
  picture24_errc code_;
};

}  // namespace korvix
