#include "codecs/checks/bmp_check.h"

#include <limits>

#include "common/byte_order.h"

namespace korvix {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kRle8 = 1, kRle4 = 2;
constexpr std::uint64_t kLargest32 = std::numeric_limits<std::uint32_t>::max();

}  // namespace

FileRefusal check_bmp(const std::uint8_t* data, std::size_t size, ImageCheck& image) {
    if (size < kFileHeaderSize + 4) return FileRefusal::truncated;
    const std::uint32_t pixels_at = le32(data + 10);
    const std::uint32_t header_size = le32(data + kFileHeaderSize);
    if (header_size < kCoreHeaderSize || (header_size > kCoreHeaderSize && header_size < 16))
        return FileRefusal::bad_header;
    if (header_size > size - kFileHeaderSize) return FileRefusal::truncated;

    const std::uint8_t* header = data + kFileHeaderSize;
    std::int64_t width, height;
    std::uint32_t bits, compression = 0;
    if (header_size == kCoreHeaderSize) {
        width = le16(header + 4);
        height = le16(header + 6);
        bits = le16(header + 10);
    } else {
        width = le32s(header + 4);
        height = le32s(header + 8);
        bits = le16(header + 14);
        if (header_size >= 20) compression = le32(header + 16);
    }
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) return FileRefusal::bad_size;
    if (bits == 0 || bits > 64) return FileRefusal::bad_header;
    if (pixels_at < kFileHeaderSize + header_size || pixels_at > size) return FileRefusal::bad_layout;

    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    if (compression == kRle8 || compression == kRle4) {
        if (pixels_at == size) return FileRefusal::truncated;
    } else {
        // Uncompressed (plain or with channel masks): every row in the file.
        const std::uint64_t row_bytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
        if (row_bytes > kLargest32 / rows) return FileRefusal::too_large;
        if (row_bytes * rows > size - pixels_at) return FileRefusal::truncated;
    }

    image.format = ImageFormat::bmp;
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(rows);
    image.decode_length = size;
    return FileRefusal::none;
}

}  // namespace korvix
