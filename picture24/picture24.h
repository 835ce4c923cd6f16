// The control's own device-independent 24-bit picture.
//
// Layout: `height` rows, top-down (row 0 is the top of the image), each row
// `stride()` bytes; pixel x of a row occupies bytes 3x, 3x+1, 3x+2 holding
// blue, green, red. stride = width*3 + row_padding(width), the smallest
// multiple of 4 that holds the row. A fresh buffer is zero-filled (black,
// padding 0). Empty picture: width = height = 0, no buffer.
//
// Errors are thrown as korvix::picture24_error (picture24_error.h); every
// throwing operation leaves the picture exactly as it was unless its comment
// says otherwise. No operation here touches any platform API: the Windows
// binding converts bitmaps to and from these rows and owns the platform region
// through the region slot below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "picture24/picture24_error.h"

namespace korvix {

// Receives the per-row progress of the long-running operations, synchronously.
// A listener may read the picture but must not change it: a changing call made
// from inside on_progress throws picture24_errc::busy.
class ProgressListener {
 public:
  virtual void on_progress(std::int16_t percent) = 0;

 protected:
  ~ProgressListener() = default;
};

// One rectangle of a key-colour region: pixels left..right-1, top..bottom-1.
struct RegionRect {
  std::int32_t left, top, right, bottom;
  friend bool operator==(const RegionRect& a, const RegionRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};

// The platform region held by a picture: an opaque handle with the function
// that deletes it. Clear, create, crop, resize, assign_pixels and destruction
// delete it, because it describes pixels that are gone.
using RegionHandle = std::unique_ptr<void, void (*)(void*)>;

using PixelBytes = std::array<std::uint8_t, 3>;    // [0] blue, [1] green, [2] red

using PixelValues = std::array<std::int16_t, 3>;   // [0] blue, [1] green, [2] red

namespace detail {
// Releases a pixel buffer from detail::allocate_bytes (picture24_internal.h),
// which records how the buffer was taken and how many bytes it holds.
struct ReleaseBytes {
  std::size_t capacity = 0;
  bool pages = false;  // whole pages of its own (large buffers)
  void operator()(std::uint8_t* bytes) const noexcept;
};
using Bytes = std::unique_ptr<std::uint8_t[], ReleaseBytes>;
}  // namespace detail

class Picture24 {
 public:
  Picture24() noexcept;
  ~Picture24();
  // Copies and moves take the pixels only: a new picture has no listener and
  // no region; an assigned picture keeps its listener and loses its region.
  // A moved-from picture is empty (its region deleted) and keeps its
  // listener. A picture whose operation is running (a progress listener
  // calling back) refuses to be the target or the source: busy.
  Picture24(const Picture24& other);
  Picture24& operator=(const Picture24& other);
  Picture24(Picture24&& other);
  Picture24& operator=(Picture24&& other);

  // ---- geometry ----------------------------------------------------------
  std::int32_t width() const noexcept { return width_; }
  std::int32_t height() const noexcept { return height_; }
  bool empty() const noexcept { return width_ == 0; }
  std::size_t stride() const noexcept { return stride_; }
  std::int16_t padding() const noexcept { return row_padding(width_); }
  std::size_t size_bytes() const noexcept { return stride_ * static_cast<std::size_t>(height_); }
  // 3 - ((width*3 + 3) mod 4), computed without overflow for any width >= 0.
  static std::int16_t row_padding(std::int32_t width) noexcept;
  // Bytes per row for a width >= 1; throws too_large when it cannot be
  // represented (stride and stride*height are kept below 2^31 so that every
  // caller, including 32-bit platform calls, can take them).
  static std::size_t checked_stride(std::int32_t width);
  static std::size_t checked_size(std::int32_t width, std::int32_t height);

  // ---- buffer ------------------------------------------------------------
  std::uint8_t* data() noexcept { return bits_.get(); }          // nullptr when empty
  const std::uint8_t* data() const noexcept { return bits_.get(); }
  std::uint8_t* row(std::int32_t y) noexcept { return bits_.get() + stride_ * static_cast<std::size_t>(y); }
  const std::uint8_t* row(std::int32_t y) const noexcept { return bits_.get() + stride_ * static_cast<std::size_t>(y); }
  // A copy of the whole buffer, padding included (empty when the picture is).
  std::vector<std::uint8_t> bits() const;
  // Replaces the buffer by a copy of `bytes`; the size must be exactly
  // size_bytes() of a loaded picture (wrong_shape otherwise). Region kept.
  void set_bits(const std::uint8_t* bytes, std::size_t size);

  // ---- life cycle ----------------------------------------------------------
  // Releases the buffer, width = height = 0, deletes the region.
  void clear();
  // A new black picture; returns false and changes nothing when width or
  // height is below 1. Deletes the region. too_large / out_of_memory leave the
  // picture unchanged.
  bool create(std::int32_t width, std::int32_t height);
  // ... filled with a packed colour (blue = bits 0-7, green 8-15, red 16-23;
  // bits 24-31 ignored).
  bool create(std::int32_t width, std::int32_t height, std::int32_t colour);
  // ... filled with a byte triple (blue, green, red).
  bool create(std::int32_t width, std::int32_t height, const PixelBytes& bgr);
  // Loads rows of 24-bit BGR pixels (top-down, `src_stride` bytes apart, may
  // be negative for bottom-up sources); padding becomes 0, region deleted.
  // invalid_size for a size below 1.
  void assign_pixels(std::int32_t width, std::int32_t height, const std::uint8_t* src,
                     std::ptrdiff_t src_stride);

  // ---- progress ------------------------------------------------------------
  void set_progress_listener(ProgressListener* listener) noexcept { listener_ = listener; }
  ProgressListener* progress_listener() const noexcept { return listener_; }
  // Percent reported after row `row` of an operation over `height` rows:
  // row/(height-1)*100 in double, rounded ties-to-even; 100 when height is 1.
  static std::int16_t progress_percent(std::int32_t row, std::int32_t height) noexcept;

  // ---- pixel access (out_of_range outside the picture) ----------------------
  std::int32_t pixel(std::int32_t x, std::int32_t y) const;   // blue + 256 green + 65536 red
  void set_pixel(std::int32_t x, std::int32_t y, std::int32_t colour);
  PixelBytes pixel_bytes(std::int32_t x, std::int32_t y) const;
  void set_pixel_bytes(std::int32_t x, std::int32_t y, const PixelBytes& bgr);
  PixelValues pixel_values(std::int32_t x, std::int32_t y) const;
  // Clamps each value to 0..255, writes the clamped values back, stores them.
  void set_pixel_values(std::int32_t x, std::int32_t y, PixelValues& bgr);

  // ---- crop and resize (no progress) ----------------------------------------
  // False (nothing changes) on an empty picture. Otherwise new picture of
  // width x height whose pixel (x, y) is the old (left + x, top + y) when that
  // lies inside, black elsewhere. invalid_size for a size below 1; the picture
  // is unchanged on every error. Deletes the region on success.
  bool crop(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
  // Nearest-pixel stretch without smoothing: new (x, y) takes old
  // (floor(x * oldW / newW), floor(y * oldH / newH)). Same failures as crop.
  bool resize(std::int32_t width, std::int32_t height);
  // Fits the picture into the box keeping its proportions (ties-to-even
  // rounding), resizing unless that would enlarge it and `enlarge` is false.
  // Nothing when empty or when the box equals the current size. invalid_size
  // for a box below 1 x 1 or a fitted size below 1; too_large for a fitted size
  // beyond 32 bits.
  void resize_keep_aspect(std::int32_t max_width, std::int32_t max_height, bool enlarge);

  // ---- geometric transforms (progress after each row) -------------------------
  void rotate90();   // quarter turn clockwise: old (x, y) -> new (oldH - 1 - y, x)
  void mirror();     // left to right
  // Upside down (padding bytes stay with their row). Rows are swapped in
  // pairs from both ends, so when row y is reported its partner
  // height - 1 - y is already done too.
  void flip();
  // Same size and byte-identical buffers, padding included; two empty
  // pictures are equal.
  bool compare(const Picture24& other) const noexcept;

  // ---- colour filters (progress after each visited row) -----------------------
  void invert(bool red, bool green, bool blue);
  void grayscale();
  void black_white();
  // overflow (before any pixel changes) when some visited pixel's intermediate
  // P + (P - Q) * amount would round outside -32768..32767 (or is NaN).
  void sharpen(float amount);
  void blur();
  void contrast(std::int32_t factor);
  // overflow (before any pixel changes) for a level outside 0..255.
  void brightness(std::int32_t level);
  // Lightness times (percent/100 + 1): the factor is rounded to single
  // precision and multiplied in single precision; capped at 1. Below -100
  // percent every pixel becomes black (lightness floored at 0).
  void lightness(std::int32_t percent);

  // ---- HSL (hue in 60-degree sectors, -1 <= h < 5) ------------------------------
  static void rgb_to_hsl(std::int32_t r, std::int32_t g, std::int32_t b, float& h, float& s,
                         float& l) noexcept;
  // overflow when a result does not fit 32 bits (or is not a number); the
  // outputs are then left as they were.
  static void hsl_to_rgb(float h, float s, float l, std::int32_t& r, std::int32_t& g,
                         std::int32_t& b);
  static float max3(float a, float b, float c) noexcept;
  static float min3(float a, float b, float c) noexcept;

  // ---- key-colour region ----------------------------------------------------------
  // Rectangles covering every pixel whose packed colour differs from `key`, in
  // the platform's banded form: sorted by top, then left; within a band all
  // rectangles share top and bottom and never touch; vertically adjacent
  // bands with identical spans are merged. Empty for an empty picture or one
  // made only of the key colour.
  std::vector<RegionRect> key_region_rects(std::int32_t key) const;
  bool has_region() const noexcept { return region_ != nullptr; }
  void* region() const noexcept { return region_.get(); }
  // Takes ownership; the previous region is deleted first.
  void set_region(RegionHandle region) noexcept;
  void delete_region() noexcept;

 private:
  void take_pixels(Picture24& other) noexcept;
  void replace(detail::Bytes bits, std::int32_t width, std::int32_t height,
               std::size_t stride) noexcept;
  bool crop_in_place(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                     std::size_t stride);
  void check_not_busy() const;
  void check_inside(std::int32_t x, std::int32_t y) const;
  void report(std::int32_t row, std::int32_t height);
  friend class BusyScope;

  detail::Bytes bits_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::size_t stride_ = 0;
  RegionHandle region_{nullptr, [](void*) {}};
  ProgressListener* listener_ = nullptr;
  bool busy_ = false;
};

}  // namespace korvix
