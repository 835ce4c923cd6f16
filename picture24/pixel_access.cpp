// Single-pixel accessors in the three shapes: packed colour, byte triple and
// a 16-bit triple that saturates when written.
#include <algorithm>

#include "picture24/picture24.h"

namespace korvix {

void Picture24::check_inside(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    throw picture24_error(picture24_errc::out_of_range, "The pixel position lies outside the picture.");
}

std::int32_t Picture24::pixel(std::int32_t x, std::int32_t y) const {
  check_inside(x, y);
  const std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x);
  return p[0] | (p[1] << 8) | (p[2] << 16);
}

void Picture24::set_pixel(std::int32_t x, std::int32_t y, std::int32_t colour) {
  check_not_busy();
  check_inside(x, y);
  const auto c = static_cast<std::uint32_t>(colour);
  std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x);
  p[0] = static_cast<std::uint8_t>(c);
  p[1] = static_cast<std::uint8_t>(c >> 8);
  p[2] = static_cast<std::uint8_t>(c >> 16);
}

PixelBytes Picture24::pixel_bytes(std::int32_t x, std::int32_t y) const {
  check_inside(x, y);
  const std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x);
  return {p[0], p[1], p[2]};
}

void Picture24::set_pixel_bytes(std::int32_t x, std::int32_t y, const PixelBytes& bgr) {
  check_not_busy();
  check_inside(x, y);
  std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x);
  p[0] = bgr[0];
  p[1] = bgr[1];
  p[2] = bgr[2];
}

PixelValues Picture24::pixel_values(std::int32_t x, std::int32_t y) const {
  check_inside(x, y);
  const std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x);
  return {p[0], p[1], p[2]};
}

void Picture24::set_pixel_values(std::int32_t x, std::int32_t y, PixelValues& bgr) {
  check_not_busy();
  check_inside(x, y);
  std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x);
  for (int c = 0; c < 3; ++c) {
    bgr[c] = std::clamp<std::int16_t>(bgr[c], 0, 255);
    p[c] = static_cast<std::uint8_t>(bgr[c]);
  }
}

}  // namespace korvix
