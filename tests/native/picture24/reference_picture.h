// A deliberately plain second implementation of the picture operations,
// written straight from their formulas: one pixel at a time, no tables, no
// tricks. The fast implementation must agree with it byte for byte.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace korvix::reference {

struct Picture {
  int width = 0, height = 0, stride = 0;
  std::vector<std::uint8_t> bytes;

  Picture() = default;
  Picture(int w, int h);
  std::uint8_t* at(int x, int y) { return &bytes[static_cast<std::size_t>(y) * stride + 3 * x]; }
  const std::uint8_t* at(int x, int y) const { return &bytes[static_cast<std::size_t>(y) * stride + 3 * x]; }
};

struct Overflow : std::runtime_error {
  Overflow() : std::runtime_error("overflow") {}
};

int round_half_even(double v);  // by hand, not through the library's rounding

Picture crop(const Picture& p, int left, int top, int w, int h);
Picture resize(const Picture& p, int w, int h);
Picture rotate90(const Picture& p);
void mirror(Picture& p);
void flip(Picture& p);
void invert(Picture& p, bool red, bool green, bool blue);
void grayscale(Picture& p);
void black_white(Picture& p);
void sharpen(Picture& p, float amount);  // throws Overflow at the offending channel
void blur(Picture& p);
void contrast(Picture& p, int factor);
void brightness(Picture& p, int level);  // throws Overflow at the offending channel
void lightness(Picture& p, int percent);
void rgb_to_hsl(int r, int g, int b, float& h, float& s, float& l);
void hsl_to_rgb(float h, float s, float l, std::int64_t& r, std::int64_t& g, std::int64_t& b);
// Pixels outside the key colour as a per-pixel mask, built by XOR-ing runs of
// key pixels out of the full rectangle.
std::vector<bool> key_mask(const Picture& p, std::int32_t key);

}  // namespace korvix::reference
