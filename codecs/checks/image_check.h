// What an image file claims, checked before any platform decoder sees a
// byte of it. The format is told by the file's first bytes (never by its
// name), and each format's checker refuses headers that contradict
// themselves or the file: sizes out of range, tables and data outside the
// file, compressed data too small for the rows it claims. A picture too
// large for the process is refused too (picture_limits.h). What is accepted
// is what the loader hands to that format's decoder, and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvix {

enum class ImageFormat { unknown, bmp, png, gif, jpeg, tiff, icon, cursor };

enum class FileRefusal {
    none,
    unknown_format,  // the first bytes name none of the formats the loader reads
    truncated,       // a header, table or block runs past the end of the data
    bad_header,      // a field that no file of the format has (counts, depths, markers)
    bad_size,        // a width or height of 0, negative, or outside the format's range
    bad_layout,      // data placed outside the file, or sizes that contradict each other
    unsupported,     // a variant the loader does not hand to a decoder (icon images with other headers)
    short_data,      // the compressed data cannot hold the rows the header claims
    outside_screen,  // GIF: the first frame does not lie inside the logical screen
    too_large,       // the 24-bit bitmap would not fit the process (picture_limits.h)
};

const char* describe(FileRefusal refusal) noexcept;

struct ImageCheck {
    ImageFormat format = ImageFormat::unknown;
    FileRefusal refusal = FileRefusal::unknown_format;
    // The image the decoder will be asked for (an icon's first entry, a GIF's
    // first frame, a TIFF's first page).
    std::uint32_t width = 0, height = 0;
    // The decoder gets the file's first decode_length bytes, followed by one
    // GIF trailer byte when append_trailer: a GIF is cut after its first
    // frame, so frames the control never shows are never decoded.
    std::size_t decode_length = 0;
    bool append_trailer = false;

    bool accepted() const noexcept { return refusal == FileRefusal::none; }
};

ImageFormat sniff_format(const std::uint8_t* data, std::size_t size) noexcept;

ImageCheck check_image_file(const std::uint8_t* data, std::size_t size);

}  // namespace korvix
