// The mouse icon as a settings record stores it, checked before any
// platform loader sees a byte of it.
//
// The bytes are those OleSaveToStream writes for a standard picture:
//   16 bytes  class id of the standard picture object (nothing else is taken)
//    4 bytes  "lt\0\0"
//    4 bytes  u32 length of what follows (0: an empty picture)
//   length    an icon or cursor file (codecs/checks/icon_check.h)
// The image that would be shown (the first 32-pixel-wide one of several,
// else the first) must be complete and plausible; every other entry must
// at least lie inside the file. The image's own size must be its entry's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/checks/icon_check.h"

namespace korvix::persist {

enum class IconError {
    none,
    not_a_picture,      // too short, or a class other than the standard picture
    bad_header,         // no "lt" header, or a length that is not the rest of the bytes
    bad_directory,      // reserved/type/count wrong, or the entries run past the end
    bad_entry,          // an image's size or offset lies outside the file
    unsupported_image,  // compressed (PNG) or not a plain bitmap header
    bad_image,          // dimensions, planes, bit count or sizes that do not add up
};

const char* describe(IconError error);

// The image to hand to the platform, inside the blob that was checked.
struct StoredIcon {
    bool empty = false;              // an empty picture (no image at all)
    bool cursor = false;             // a cursor: the hot spot applies
    std::uint16_t hotspot_x = 0, hotspot_y = 0;
    std::int32_t width = 0, height = 0;  // pixels of the image itself
    std::size_t offset = 0;          // the image (bitmap header onwards) in the blob
    std::size_t size = 0;
};

constexpr std::size_t kPictureClassIdSize = 16;
constexpr std::size_t kMaxIconEntries = icon::kMaxEntries;
constexpr std::int32_t kMaxIconSide = icon::kMaxSide;

IconError check_stored_icon(const std::uint8_t* data, std::size_t size, StoredIcon& icon);

}  // namespace korvix::persist
