#include "codecs/checks/icon_check.h"

#include <cstring>

#include "codecs/checks/png_check.h"
#include "common/byte_order.h"

namespace korvix::icon {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t kBitmapHeaderSize = 40;
constexpr std::uint32_t kUncompressed = 0;  // BI_RGB
constexpr std::uint32_t kBitFields = 3;     // BI_BITFIELDS

// Bytes of one bottom-up row of `width` pixels at `bits` per pixel, padded to 4.
std::uint64_t row_bytes(std::int32_t width, std::uint32_t bits) {
    return ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
}

FileRefusal as_refusal(Fault fault) {
    switch (fault) {
    case Fault::none: return FileRefusal::none;
    case Fault::bad_directory: return FileRefusal::bad_header;
    case Fault::bad_entry: return FileRefusal::bad_layout;
    case Fault::unsupported_image: return FileRefusal::unsupported;
    case Fault::bad_image: return FileRefusal::bad_header;
    case Fault::bad_image_size: return FileRefusal::bad_size;
    case Fault::short_image: return FileRefusal::truncated;
    }
    return FileRefusal::bad_header;
}

}  // namespace

Fault read_directory(const std::uint8_t* data, std::size_t size, Directory& directory) {
    if (!data || size < kDirectorySize) return Fault::bad_directory;
    const std::uint16_t type = le16(data + 2);
    const std::uint16_t count = le16(data + 4);
    if (le16(data) != 0 || (type != 1 && type != 2) || count == 0 || count > kMaxEntries) return Fault::bad_directory;
    const std::size_t directory_end = kDirectorySize + std::size_t{count} * kEntrySize;
    if (directory_end > size) return Fault::bad_directory;
    for (std::size_t i = 0; i < count; ++i) {
        const Entry entry = entry_at(data, i);
        if (entry.size == 0 || entry.offset < directory_end || entry.offset > size || entry.size > size - entry.offset)
            return Fault::bad_entry;
    }
    directory.cursor = type == 2;
    directory.count = count;
    return Fault::none;
}

Entry entry_at(const std::uint8_t* data, std::size_t i) {
    const std::uint8_t* p = data + kDirectorySize + i * kEntrySize;
    Entry entry;
    entry.width = p[0] ? p[0] : kMaxSide;
    entry.height = p[1] ? p[1] : kMaxSide;
    entry.hotspot_x = le16(p + 4);
    entry.hotspot_y = le16(p + 6);
    entry.size = le32(p + 8);
    entry.offset = le32(p + 12);
    return entry;
}

bool is_png_image(const std::uint8_t* image, std::size_t size) {
    return size >= sizeof kPngSignature && std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0;
}

Fault check_bitmap_image(const std::uint8_t* image, const Entry& entry) {
    const std::size_t size = entry.size;
    if (is_png_image(image, size)) return Fault::unsupported_image;
    if (size < kBitmapHeaderSize || le32(image) != kBitmapHeaderSize) return Fault::unsupported_image;
    const std::int32_t width = le32s(image + 4);
    const std::int32_t double_height = le32s(image + 8);  // colour rows and mask rows
    const std::uint16_t planes = le16(image + 12);
    const std::uint16_t bits = le16(image + 14);
    const std::uint32_t compression = le32(image + 16);
    const std::uint32_t colours_used = le32(image + 32);

    if (width < 1 || width > kMaxSide) return Fault::bad_image_size;
    if (double_height < 2 || double_height > 2 * kMaxSide || double_height % 2 != 0) return Fault::bad_image_size;
    if (width != entry.width || double_height != 2 * entry.height) return Fault::bad_image_size;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return Fault::bad_image;
    // Uncompressed rows; 16 and 32 bits may name their channels with three masks.
    const bool masks = compression == kBitFields && (bits == 16 || bits == 32);
    if (planes != 1 || (compression != kUncompressed && !masks)) return Fault::bad_image;
    const std::uint32_t palette_max = bits <= 8 ? (1u << bits) : 0u;
    if (bits <= 8 ? colours_used > palette_max : colours_used > 256) return Fault::bad_image;
    const std::uint32_t colours = colours_used ? colours_used : palette_max;

    const std::int32_t height = double_height / 2;
    const std::uint64_t needed = kBitmapHeaderSize + (masks ? 12 : 0) + std::uint64_t{colours} * 4 +
                                 row_bytes(width, bits) * height + row_bytes(width, 1) * height;
    return needed > size ? Fault::short_image : Fault::none;
}

FileRefusal check_icon_file(const std::uint8_t* data, std::size_t size, ImageCheck& image) {
    Directory directory;
    if (const Fault fault = read_directory(data, size, directory); fault != Fault::none) return as_refusal(fault);
    for (std::size_t i = 0; i < directory.count; ++i) {
        const Entry entry = entry_at(data, i);
        const std::uint8_t* bytes = data + entry.offset;
        if (is_png_image(bytes, entry.size)) {
            ImageCheck png;
            if (const FileRefusal refusal = check_png(bytes, entry.size, png); refusal != FileRefusal::none)
                return refusal;
            if (png.width != std::uint32_t(entry.width) || png.height != std::uint32_t(entry.height))
                return FileRefusal::bad_size;
        } else if (const Fault fault = check_bitmap_image(bytes, entry); fault != Fault::none) {
            return as_refusal(fault);
        }
    }
    const Entry first = entry_at(data, 0);
    image.format = directory.cursor ? ImageFormat::cursor : ImageFormat::icon;
    image.width = static_cast<std::uint32_t>(first.width);
    image.height = static_cast<std::uint32_t>(first.height);
    image.decode_length = size;
    return FileRefusal::none;
}

}  // namespace korvix::icon
