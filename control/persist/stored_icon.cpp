#include "control/persist/stored_icon.h"

#include <cstring>

#include "codecs/checks/icon_check.h"
#include "common/byte_order.h"

namespace korvix::persist {

namespace {

// {0BE35204-8F91-11CE-9DE3-00AA004BB851} as WriteClassStm stores it.
constexpr std::uint8_t kStdPictureClass[kPictureClassIdSize] = {0x04, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,
                                                                0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};
constexpr std::uint8_t kPictureHeader[4] = {'l', 't', 0, 0};

IconError as_error(icon::Fault fault) {
    switch (fault) {
    case icon::Fault::none: return IconError::none;
    case icon::Fault::bad_directory: return IconError::bad_directory;
    case icon::Fault::bad_entry: return IconError::bad_entry;
    case icon::Fault::unsupported_image: return IconError::unsupported_image;
    case icon::Fault::bad_image:
    case icon::Fault::bad_image_size:
    case icon::Fault::short_image: return IconError::bad_image;
    }
    return IconError::bad_image;
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
    const std::uint32_t length = le32(header + 4);
    if (length != size - kPrefix) return IconError::bad_header;

    StoredIcon found;
    if (length == 0) {
        found.empty = true;
        icon = found;
        return IconError::none;
    }

    // Every entry inside the file; the one shown is the first 32 pixels wide.
    const std::uint8_t* file = data + kPrefix;
    icon::Directory directory;
    if (const icon::Fault fault = icon::read_directory(file, length, directory); fault != icon::Fault::none)
        return as_error(fault);
    icon::Entry entry = icon::entry_at(file, 0);
    for (std::size_t i = 0; directory.count > 1 && i < directory.count; ++i) {
        if (icon::entry_at(file, i).width == 32) {
            entry = icon::entry_at(file, i);
            break;
        }
    }

    found.cursor = directory.cursor;
    found.hotspot_x = entry.hotspot_x;
    found.hotspot_y = entry.hotspot_y;
    found.offset = kPrefix + entry.offset;
    found.size = entry.size;
    found.width = entry.width;
    found.height = entry.height;
    if (const icon::Fault fault = icon::check_bitmap_image(file + entry.offset, entry); fault != icon::Fault::none)
        return as_error(fault);
    if (found.cursor && (found.hotspot_x >= found.width || found.hotspot_y >= found.height)) return IconError::bad_image;
    icon = found;
    return IconError::none;
}

}  // namespace korvix::persist
