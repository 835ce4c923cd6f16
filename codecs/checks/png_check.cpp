#include "codecs/checks/png_check.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/byte_order.h"

namespace korvix {

namespace {

constexpr std::size_t kSignatureSize = 8;
constexpr std::uint32_t kLargestPngValue = 0x7FFFFFFF;  // sizes and chunk lengths
constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();

// Bits per pixel of a valid depth and colour type pair; 0 for any other.
unsigned bits_per_pixel(unsigned depth, unsigned colour_type) {
    const bool low = depth == 1 || depth == 2 || depth == 4;
    switch (colour_type) {
    case 0: return low || depth == 8 || depth == 16 ? depth : 0;      // grey
    case 2: return depth == 8 || depth == 16 ? depth * 3 : 0;         // RGB
    case 3: return low || depth == 8 ? depth : 0;                     // palette
    case 4: return depth == 8 || depth == 16 ? depth * 2 : 0;         // grey and alpha
    case 6: return depth == 8 || depth == 16 ? depth * 4 : 0;         // RGBA
    }
    return 0;
}

// Filtered bytes of `rows` rows of `width` pixels: a filter byte each.
std::uint64_t filtered_bytes(std::uint64_t width, std::uint64_t rows, unsigned bits) {
    if (width == 0 || rows == 0) return 0;
    const std::uint64_t row = 1 + (width * bits + 7) / 8;  // width < 2^31, bits <= 64: no overflow
    return rows > kSaturated / row ? kSaturated : row * rows;
}

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) { return a > kSaturated - b ? kSaturated : a + b; }

// The seven passes of Adam7: first column and row, column and row steps.
struct Pass {
    unsigned x0, y0, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

std::uint64_t pass_length(std::uint64_t size, unsigned first, unsigned step) {
    return size > first ? (size - first + step - 1) / step : 0;
}

std::uint64_t raw_image_bytes(std::uint32_t width, std::uint32_t height, unsigned bits, bool interlaced) {
    if (!interlaced) return filtered_bytes(width, height, bits);
    std::uint64_t total = 0;
    for (const Pass& pass : kAdam7)
        total = saturating_add(total, filtered_bytes(pass_length(width, pass.x0, pass.dx),
                                                     pass_length(height, pass.y0, pass.dy), bits));
    return total;
}

}  // namespace

FileRefusal check_png(const std::uint8_t* data, std::size_t size, ImageCheck& image) {
    constexpr std::size_t kHeaderEnd = kSignatureSize + 8 + 13;
    if (size < kHeaderEnd) return FileRefusal::truncated;
    if (be32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) return FileRefusal::bad_header;
    const std::uint32_t width = be32(data + 16), height = be32(data + 20);
    const unsigned depth = data[24], colour_type = data[25], interlace = data[28];
    if (width == 0 || height == 0 || width > kLargestPngValue || height > kLargestPngValue)
        return FileRefusal::bad_size;
    const unsigned bits = bits_per_pixel(depth, colour_type);
    if (bits == 0 || data[26] != 0 || data[27] != 0 || interlace > 1) return FileRefusal::bad_header;

    // The IDAT bytes present; a chunk cut off by the end of the file counts
    // with what is there, and the decoder decides about the rest.
    std::uint64_t compressed = 0;
    for (std::size_t at = kSignatureSize; size - at >= 8;) {
        const std::uint32_t length = be32(data + at);
        if (length > kLargestPngValue) return FileRefusal::bad_header;
        const bool image_data = std::memcmp(data + at + 4, "IDAT", 4) == 0;
        const std::size_t available = std::min<std::size_t>(length, size - at - 8);
        if (image_data) compressed += available;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0 || available < length || size - at - 8 - length < 4) break;
        at += 12 + std::size_t{length};
    }
    const std::uint64_t raw = raw_image_bytes(width, height, bits, interlace == 1);
    const std::uint64_t reach =
        compressed > kSaturated / kDeflateMaxRatio ? kSaturated : compressed * kDeflateMaxRatio;
    if (raw > reach) return FileRefusal::short_data;

    image.format = ImageFormat::png;
    image.width = width;
    image.height = height;
    image.decode_length = size;
    return FileRefusal::none;
}

}  // namespace korvix
