#include "control/persist/stored_icon.h"

#include <cstring>

namespace korvix::persist {

namespace {

// {0BE35204-8F91-11CE-9DE3-00AA004BB851} as WriteClassStm stores it.
constexpr std::uint8_t kStdPictureClass[kPictureClassIdSize] = {0x04, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,
                                                                0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};
constexpr std::uint8_t kPictureHeader[4] = {'l', 't', 0, 0};
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kBitmapHeaderSize = 40;
constexpr std::uint32_t kUncompressed = 0;  // BI_RGB
constexpr std::uint32_t kBitFields = 3;     // BI_BITFIELDS

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t i32(const std::uint8_t* p) { return static_cast<std::int32_t>(u32(p)); }

// Bytes of one bottom-up row of `width` pixels at `bits` per pixel, padded to 4.
std::uint64_t row_bytes(std::int32_t width, std::uint32_t bits) {
    return ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
}

// The image's own header, colour table and rows must fit its entry's size.
IconError check_image(const std::uint8_t* image, std::size_t size, StoredIcon& icon) {
    if (size >= sizeof kPngSignature && std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0)
        return IconError::unsupported_image;
    if (size < kBitmapHeaderSize || u32(image) != kBitmapHeaderSize) return IconError::unsupported_image;
    const std::int32_t width = i32(image + 4);
    const std::int32_t double_height = i32(image + 8);  // colour rows and mask rows
    const std::uint16_t planes = u16(image + 12);
    const std::uint16_t bits = u16(image + 14);
    const std::uint32_t compression = u32(image + 16);
    const std::uint32_t colours_used = u32(image + 32);

    if (width < 1 || width > kMaxIconSide) return IconError::bad_image;
    if (double_height < 2 || double_height > 2 * kMaxIconSide || double_height % 2 != 0) return IconError::bad_image;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return IconError::bad_image;
    // Uncompressed rows; 16 and 32 bits may name their channels with three masks.
    const bool masks = compression == kBitFields && (bits == 16 || bits == 32);
    if (planes != 1 || (compression != kUncompressed && !masks)) return IconError::bad_image;
    const std::uint32_t palette_max = bits <= 8 ? (1u << bits) : 0u;
    if (bits <= 8 ? colours_used > palette_max : colours_used > 256) return IconError::bad_image;
    const std::uint32_t colours = colours_used ? colours_used : palette_max;

    const std::int32_t height = double_height / 2;
    const std::uint64_t needed = kBitmapHeaderSize + (masks ? 12 : 0) + std::uint64_t{colours} * 4 +
                                 row_bytes(width, bits) * height + row_bytes(width, 1) * height;
    if (needed > size) return IconError::bad_image;

    icon.width = width;
    icon.height = height;
    return IconError::none;
}

}  // namespace

const char* describe(IconError error) {
    switch (error) {
    case IconError::none: return "No error.";
    case IconError::not_a_picture: return "The stored mouse icon is not a standard picture.";
    case IconError::bad_header: return "The stored mouse icon's picture header is damaged.";
    case IconError::bad_directory: return "The stored mouse icon's image directory is damaged.";
    case IconError::bad_entry: return "An image of the stored mouse icon lies outside its data.";
    case IconError::unsupported_image: return "The stored mouse icon holds an image format the control does not read.";
    case IconError::bad_image: return "The stored mouse icon's image is damaged.";
    }
    return "The stored mouse icon cannot be read.";
}

IconError check_stored_icon(const std::uint8_t* data, std::size_t size, StoredIcon& icon) {
    constexpr std::size_t kPrefix = kPictureClassIdSize + 8;
    if (!data || size < kPrefix || std::memcmp(data, kStdPictureClass, kPictureClassIdSize) != 0)
        return IconError::not_a_picture;
    const std::uint8_t* header = data + kPictureClassIdSize;
    if (std::memcmp(header, kPictureHeader, sizeof kPictureHeader) != 0) return IconError::bad_header;
    const std::uint32_t length = u32(header + 4);
    if (length != size - kPrefix) return IconError::bad_header;

    StoredIcon found;
    if (length == 0) {
        found.empty = true;
        icon = found;
        return IconError::none;
    }

    const std::uint8_t* file = data + kPrefix;
    if (length < kDirectorySize) return IconError::bad_directory;
    const std::uint16_t type = u16(file + 2);
    const std::uint16_t count = u16(file + 4);
    if (u16(file) != 0 || (type != 1 && type != 2) || count == 0 || count > kMaxIconEntries)
        return IconError::bad_directory;
    const std::size_t directory_end = kDirectorySize + std::size_t{count} * kEntrySize;
    if (directory_end > length) return IconError::bad_directory;

    // Every entry inside the file; the one shown is the first 32 pixels wide.
    std::size_t chosen = 0;
    bool chose_wide = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = file + kDirectorySize + i * kEntrySize;
        const std::uint32_t bytes = u32(entry + 8);
        const std::uint32_t offset = u32(entry + 12);
        if (bytes == 0 || offset < directory_end || offset > length || bytes > length - offset)
            return IconError::bad_entry;
        if (!chose_wide && count > 1 && entry[0] == 32) {
            chosen = i;
            chose_wide = true;
        }
    }

    const std::uint8_t* entry = file + kDirectorySize + chosen * kEntrySize;
    found.cursor = type == 2;
    found.hotspot_x = u16(entry + 4);
    found.hotspot_y = u16(entry + 6);
    found.offset = kPrefix + u32(entry + 12);
    found.size = u32(entry + 8);
    const IconError e = check_image(data + found.offset, found.size, found);
    if (e != IconError::none) return e;
    if (found.cursor && (found.hotspot_x >= found.width || found.hotspot_y >= found.height)) return IconError::bad_image;
    icon = found;
    return IconError::none;
}

}  // namespace korvix::persist
