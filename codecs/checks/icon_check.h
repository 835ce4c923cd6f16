// Icon and cursor files: their directory and their bitmap images, checked
// the same way for a file the loader opens and for the mouse icon a settings
// record stores (control/persist/stored_icon.h).
//
// Layout: a directory (u16 reserved 0, u16 type 1 icon / 2 cursor, u16
// count), count 16-byte entries (u8 width, u8 height, 0 meaning 256; u8
// colours; u8 reserved; u16 planes / hot spot x; u16 bit count / hot spot y;
// u32 size; u32 offset), then each image: a PNG file, or a device-independent
// bitmap: a 40-byte header, three channel masks (16 and 32 bits per pixel,
// when the header says so), its colour table, the colour rows and the 1-bit
// mask rows, bottom-up, each row padded to 4 bytes. The header's height
// counts both sets of rows, so it is twice the entry's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/checks/image_check.h"

namespace korvix::icon {

enum class Fault {
    none,
    bad_directory,      // reserved/type/count wrong, or the entries run past the end
    bad_entry,          // an image's size or offset lies outside the data
    unsupported_image,  // a PNG image where only bitmaps are taken, or not a plain bitmap header
    bad_image,          // planes, bit count, compression or colour count no bitmap image has
    bad_image_size,     // a side of 0, negative or over 256, or not the size its entry gives
    short_image,        // the colour table and rows do not fit the entry's bytes
};

constexpr std::size_t kMaxEntries = 256;
constexpr std::int32_t kMaxSide = 256;
constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;

struct Entry {
    std::int32_t width = 0, height = 0;  // as the directory gives them (0 read as 256)
    std::uint16_t hotspot_x = 0, hotspot_y = 0;  // a cursor's; planes and bit count in an icon
    std::uint32_t size = 0, offset = 0;
};

struct Directory {
    bool cursor = false;
    std::size_t count = 0;
};

// The directory, with every entry's image inside the data and after the
// directory itself.
Fault read_directory(const std::uint8_t* data, std::size_t size, Directory& directory);
// Entry i of a directory read_directory accepted.
Entry entry_at(const std::uint8_t* data, std::size_t i);

bool is_png_image(const std::uint8_t* image, std::size_t size);

// An entry's bitmap image (image points at its bytes inside the data): a
// plausible, complete bitmap of exactly the entry's size.
Fault check_bitmap_image(const std::uint8_t* image, const Entry& entry);

// A whole icon or cursor file as the loader takes it: every entry's image,
// bitmap or PNG (by the PNG file rules), is checked, since a decoder may read
// any of them. image gets the first entry's size.
FileRefusal check_icon_file(const std::uint8_t* data, std::size_t size, ImageCheck& image);

}  // namespace korvix::icon
