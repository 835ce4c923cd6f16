// Crop, nearest-pixel resize and fit-into-box resize. Each builds the new
// buffer completely before it replaces the old one, so a failure leaves the
// picture as it was.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "picture24/picture24.h"
#include "picture24/picture24_internal.h"

namespace korvix {

bool Picture24::crop(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  BusyScope busy(*this);
  if (empty()) return false;
  const std::size_t stride = checked_stride(width);
  const std::size_t room = detail::picture_room(width, height);
  if (crop_in_place(left, top, width, height, stride)) return true;
  auto bits = detail::allocate_bytes(room);

  // Columns of the new picture that come from the old one: [x0, x1).
  const std::int64_t x0 = std::max<std::int64_t>(0, -static_cast<std::int64_t>(left));
  const std::int64_t x1 = std::min<std::int64_t>(width, static_cast<std::int64_t>(width_) - left);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* dst = bits.get() + stride * static_cast<std::size_t>(y);
    const std::int64_t sy = static_cast<std::int64_t>(top) + y;
    if (sy < 0 || sy >= height_ || x0 >= x1) {
      std::memset(dst, 0, stride);
      continue;
    }
    const std::uint8_t* src = row(static_cast<std::int32_t>(sy)) + 3 * (left + x0);
    const std::size_t before = static_cast<std::size_t>(3 * x0);
    const std::size_t middle = static_cast<std::size_t>(3 * (x1 - x0));
    std::memset(dst, 0, before);
    std::memcpy(dst + before, src, middle);
    std::memset(dst + before + middle, 0, stride - before - middle);
  }
  delete_region();
  replace(std::move(bits), width, height, stride);
  return true;
}

// Crops inside the current buffer when the new rows fit it and every row
// can move towards the start: new rows no longer than old ones and a top
// edge at or below row 0. Then each new row ends before the source of the
// next row begins. A fresh buffer would cost the page faults of its first
// touch and the release of the old one; the pages the cropped picture no
// longer needs go back to the system instead (a small buffer, below the
// size taken from pages, keeps its few unused bytes).
bool Picture24::crop_in_place(std::int32_t left, std::int32_t top, std::int32_t width,
                              std::int32_t height, std::size_t stride) {
  const std::size_t room = detail::picture_room(width, height);
  if (top < 0 || stride > stride_ || room > detail::capacity(bits_)) return false;
  const std::int64_t x0 = std::max<std::int64_t>(0, -static_cast<std::int64_t>(left));
  const std::int64_t x1 = std::min<std::int64_t>(width, static_cast<std::int64_t>(width_) - left);
  std::uint8_t* base = data();
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* dst = base + stride * static_cast<std::size_t>(y);
    const std::int64_t sy = static_cast<std::int64_t>(top) + y;
    if (sy >= height_ || x0 >= x1) {
      std::memset(dst, 0, stride);
      continue;
    }
    const std::uint8_t* src = row(static_cast<std::int32_t>(sy)) + 3 * (left + x0);
    const std::size_t before = static_cast<std::size_t>(3 * x0);
    const std::size_t middle = static_cast<std::size_t>(3 * (x1 - x0));
    std::memmove(dst + before, src, middle);  // first: the fills may overlap this row's source
    std::memset(dst, 0, before);
    std::memset(dst + before + middle, 0, stride - before - middle);
  }
  detail::trim_bytes(bits_, room);
  delete_region();
  width_ = width;
  height_ = height;
  stride_ = stride;
  return true;
}

bool Picture24::resize(std::int32_t width, std::int32_t height) {
  BusyScope busy(*this);
  if (empty()) return false;
  const std::size_t stride = checked_stride(width);
  auto bits = detail::allocate_bytes(detail::picture_room(width, height));

  // Byte offset of the source pixel of each new column, stepped exactly:
  // floor(x * old / new) without a division per column.
  std::vector<std::uint32_t> source_offset;
  try {
    source_offset.resize(static_cast<std::size_t>(width));
  } catch (const std::bad_alloc&) {
    throw picture24_error(picture24_errc::out_of_memory, "Not enough memory to resize the picture.");
  }
  {
    const std::int64_t whole = width_ / width, part = width_ % width;
    std::int64_t sx = 0, error = 0;
    for (std::int32_t x = 0; x < width; ++x) {
      source_offset[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(3 * sx);
      sx += whole;
      error += part;
      if (error >= width) {
        ++sx;
        error -= width;
      }
    }
  }

  const std::size_t row_bytes = 3 * static_cast<std::size_t>(width);
  const std::int64_t whole = height_ / height, part = height_ % height;
  std::int64_t sy = 0, error = 0, previous = -1;
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* dst = bits.get() + stride * static_cast<std::size_t>(y);
    if (sy == previous) {
      std::memcpy(dst, dst - stride, stride);  // enlarging: the row repeats
    } else {
      const std::uint8_t* src = row(static_cast<std::int32_t>(sy));
      if (width == width_) {
        std::memcpy(dst, src, row_bytes);
      } else {
        for (std::int32_t x = 0; x < width; ++x) {
          const std::uint8_t* s = src + source_offset[static_cast<std::size_t>(x)];
          dst[3 * x] = s[0];
          dst[3 * x + 1] = s[1];
          dst[3 * x + 2] = s[2];
        }
      }
      std::memset(dst + row_bytes, 0, stride - row_bytes);
      previous = sy;
    }
    sy += whole;
    error += part;
    if (error >= height) {
      ++sy;
      error -= height;
    }
  }
  delete_region();
  replace(std::move(bits), width, height, stride);
  return true;
}

void Picture24::resize_keep_aspect(std::int32_t max_width, std::int32_t max_height, bool enlarge) {
  check_not_busy();
  if (empty() || (max_width == width_ && max_height == height_)) return;
  if (max_width < 1 || max_height < 1)
    throw picture24_error(picture24_errc::invalid_size, "The box to fit the picture into must be at least 1 x 1.");
  const double r = static_cast<double>(width_) / static_cast<double>(height_);
  const double s = static_cast<double>(max_width) / static_cast<double>(max_height);
  double new_width, new_height;
  if (r >= s) {
    new_width = max_width;
    new_height = std::nearbyint(max_width / r);
  } else {
    new_width = std::nearbyint(r * max_height);
    new_height = max_height;
  }
  if (new_width < 1 || new_height < 1)
    throw picture24_error(picture24_errc::invalid_size,
                          "The picture's proportions leave less than one pixel in the box.");
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  if (new_width > kMax || new_height > kMax)
    throw picture24_error(picture24_errc::too_large, "The fitted picture would be too large.");
  const auto w = static_cast<std::int32_t>(new_width), h = static_cast<std::int32_t>(new_height);
  if ((w <= width_ && h <= height_) || enlarge) resize(w, h);
}

}  // namespace korvix
