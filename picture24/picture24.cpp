// Buffer ownership, geometry, life cycle and progress of the 24-bit picture.
#include "picture24/picture24.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "picture24/picture24_internal.h"

namespace korvix {

namespace {
// Strides and sizes stay below 2^31: the binding passes them to 32-bit
// platform calls and safe-array bounds.
constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

void no_region(void*) {}
}  // namespace

Picture24::Picture24() noexcept = default;
Picture24::~Picture24() = default;

Picture24::Picture24(const Picture24& other) {
  if (!other.empty()) {
    auto copy = detail::allocate_bytes(detail::picture_room(other.width_, other.height_));
    std::memcpy(copy.get(), other.data(), other.size_bytes());
    replace(std::move(copy), other.width_, other.height_, other.stride_);
  }
}

Picture24& Picture24::operator=(const Picture24& other) {
  if (this != &other) {
    check_not_busy();
    Picture24 copy(other);
    *this = std::move(copy);
  }
  return *this;
}

// A move takes the pixels only, like a copy: the region described the
// source's pixels and goes with them, and each picture keeps its own
// listener. A picture in the middle of an operation can be neither the
// source nor the target: its buffer is in use.
Picture24::Picture24(Picture24&& other) {
  other.check_not_busy();
  take_pixels(other);
}

Picture24& Picture24::operator=(Picture24&& other) {
  if (this != &other) {
    check_not_busy();
    other.check_not_busy();
    delete_region();
    take_pixels(other);
  }
  return *this;
}

void Picture24::take_pixels(Picture24& other) noexcept {
  bits_ = std::move(other.bits_);
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  stride_ = std::exchange(other.stride_, 0);
  other.delete_region();
}

std::int16_t Picture24::row_padding(std::int32_t width) noexcept {
  // (w*3 + 3) mod 4 depends only on w mod 4; this form cannot overflow and
  // matches the plain formula for every width >= 0.
  const std::int32_t w4 = ((width % 4) + 4) % 4;
  return static_cast<std::int16_t>(3 - ((w4 * 3 + 3) % 4));
}

std::size_t Picture24::checked_stride(std::int32_t width) {
  if (width < 1) throw picture24_error(picture24_errc::invalid_size, "The picture width must be at least 1.");
  const std::int64_t stride = static_cast<std::int64_t>(width) * 3 + row_padding(width);
  if (stride > kMaxBytes) throw picture24_error(picture24_errc::too_large, "The picture is too wide.");
  return static_cast<std::size_t>(stride);
}

std::size_t Picture24::checked_size(std::int32_t width, std::int32_t height) {
  const std::size_t stride = checked_stride(width);
  if (height < 1) throw picture24_error(picture24_errc::invalid_size, "The picture height must be at least 1.");
  if (static_cast<std::int64_t>(height) > kMaxBytes / static_cast<std::int64_t>(stride))
    throw picture24_error(picture24_errc::too_large, "The picture is too large.");
  return stride * static_cast<std::size_t>(height);
}

void Picture24::replace(detail::Bytes bits, std::int32_t width,
                        std::int32_t height, std::size_t stride) noexcept {
  bits_ = std::move(bits);
  width_ = width;
  height_ = height;
  stride_ = stride;
}

void Picture24::check_not_busy() const {
  if (busy_)
    throw picture24_error(picture24_errc::busy,
                          "The picture cannot be changed while an operation on it is in progress.");
}

std::vector<std::uint8_t> Picture24::bits() const {
  if (empty()) return {};
  return std::vector<std::uint8_t>(data(), data() + size_bytes());
}

void Picture24::set_bits(const std::uint8_t* bytes, std::size_t size) {
  check_not_busy();
  if (empty() || size != size_bytes() || bytes == nullptr)
    throw picture24_error(picture24_errc::wrong_shape,
                          "The pixel data must have exactly the picture's row size times its height.");
  std::memmove(data(), bytes, size);
}

void Picture24::clear() {
  check_not_busy();
  bits_.reset();
  width_ = height_ = 0;
  stride_ = 0;
  delete_region();
}

bool Picture24::create(std::int32_t width, std::int32_t height) {
  return create(width, height, PixelBytes{0, 0, 0});
}

bool Picture24::create(std::int32_t width, std::int32_t height, std::int32_t colour) {
  const auto c = static_cast<std::uint32_t>(colour);
  return create(width, height,
                PixelBytes{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                           static_cast<std::uint8_t>(c >> 16)});
}

bool Picture24::create(std::int32_t width, std::int32_t height, const PixelBytes& bgr) {
  check_not_busy();
  if (width <= 0 || height <= 0) return false;
  const std::size_t stride = checked_stride(width);
  auto bits = detail::allocate_bytes(detail::picture_room(width, height));
  // Build the first row, then copy it: one pass over the buffer.
  std::uint8_t* first = bits.get();
  for (std::int32_t x = 0; x < width; ++x) std::memcpy(first + 3 * static_cast<std::size_t>(x), bgr.data(), 3);
  std::memset(first + 3 * static_cast<std::size_t>(width), 0, stride - 3 * static_cast<std::size_t>(width));
  for (std::int32_t y = 1; y < height; ++y) std::memcpy(first + stride * static_cast<std::size_t>(y), first, stride);
  delete_region();
  replace(std::move(bits), width, height, stride);
  return true;
}

void Picture24::assign_pixels(std::int32_t width, std::int32_t height, const std::uint8_t* src,
                              std::ptrdiff_t src_stride) {
  check_not_busy();
  const std::size_t stride = checked_stride(width);
  const std::size_t room = detail::picture_room(width, height);
  if (src == nullptr) throw picture24_error(picture24_errc::wrong_shape, "No pixel data was given.");
  auto bits = detail::allocate_bytes(room);
  const std::size_t row_bytes = 3 * static_cast<std::size_t>(width);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* dst = bits.get() + stride * static_cast<std::size_t>(y);
    std::memcpy(dst, src + src_stride * static_cast<std::ptrdiff_t>(y), row_bytes);
    std::memset(dst + row_bytes, 0, stride - row_bytes);
  }
  delete_region();
  replace(std::move(bits), width, height, stride);
}

std::int16_t Picture24::progress_percent(std::int32_t row, std::int32_t height) noexcept {
  if (height <= 1) return 100;
  const double percent = static_cast<double>(row) / static_cast<double>(height - 1) * 100.0;
  return static_cast<std::int16_t>(std::nearbyint(percent));
}

void Picture24::report(std::int32_t row, std::int32_t height) {
  if (listener_) listener_->on_progress(progress_percent(row, height));
}

bool Picture24::compare(const Picture24& other) const noexcept {
  if (width_ != other.width_ || height_ != other.height_) return false;
  if (empty()) return true;
  return std::memcmp(data(), other.data(), size_bytes()) == 0;
}

void Picture24::set_region(RegionHandle region) noexcept {
  region_ = std::move(region);
  if (!region_) region_ = RegionHandle(nullptr, no_region);
}

void Picture24::delete_region() noexcept { region_ = RegionHandle(nullptr, no_region); }

}  // namespace korvix
