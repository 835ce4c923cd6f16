// How large a picture the loader lets a decoder make. Every loaded picture
// becomes a 24-bit DIB section, and the platform's decoders hold a copy of
// their own at up to 64 bits a pixel (128 for floating-point TIFF rows),
// with row and buffer sizes kept in 32-bit arithmetic. A file may claim any
// size in a few bytes, so the claim is measured before anything is
// allocated:
//  - each side at most 2^24 pixels: a row of 128-bit pixels stays below
//    2^31 bytes;
//  - the 24-bit bitmap (rows padded to 4 bytes) under 1 GiB in the 32-bit
//    module, whose 2 GiB of address space must also hold the decoder's copy
//    and the host; under 1.5 GiB in the 64-bit module, where a decoder's
//    64-bit-a-pixel copy of it stays below 4 GiB. The 32-bit cap is about
//    16,000 x 22,000 pixels; an A4 page at 1200 dpi (9,921 x 14,031) is 398 MiB.
#pragma once

#include <cstdint>

namespace korvix {

constexpr std::uint64_t kMaxPictureSide = std::uint64_t{1} << 24;
constexpr std::uint64_t kMaxBitmapBytes =
    sizeof(void*) == 4 ? (std::uint64_t{1} << 30) : (std::uint64_t{3} << 29);

// Bytes of the 24-bit bottom-up bitmap of that size, rows padded to 4 bytes;
// exact for any 32-bit sizes.
constexpr std::uint64_t bitmap24_bytes(std::uint64_t width, std::uint64_t height) {
    return ((width * 3 + 3) & ~std::uint64_t{3}) * height;
}

// True when a picture of that size may be decoded: neither side is 0 or
// longer than kMaxPictureSide, and its 24-bit bitmap is under the cap.
constexpr bool fits_picture_limits(std::uint64_t width, std::uint64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           bitmap24_bytes(width, height) < kMaxBitmapBytes;
}

}  // namespace korvix
