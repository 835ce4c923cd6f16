#include "codecs/checks/image_check.h"

#include <cstring>

#include "codecs/checks/bmp_check.h"
#include "codecs/checks/gif_check.h"
#include "codecs/checks/icon_check.h"
#include "codecs/checks/jpeg_check.h"
#include "codecs/checks/picture_limits.h"
#include "codecs/checks/png_check.h"
#include "codecs/checks/tiff_check.h"

namespace korvix {

namespace {

bool starts_with(const std::uint8_t* data, std::size_t size, const char* magic, std::size_t length) {
    return size >= length && std::memcmp(data, magic, length) == 0;
}

}  // namespace

const char* describe(FileRefusal refusal) noexcept {
    switch (refusal) {
    case FileRefusal::none: return "accepted";
    case FileRefusal::unknown_format: return "not a format the loader reads";
    case FileRefusal::truncated: return "a header, table or block runs past the end";
    case FileRefusal::bad_header: return "a header field no valid file has";
    case FileRefusal::bad_size: return "a width or height out of range";
    case FileRefusal::bad_layout: return "data placed outside the file";
    case FileRefusal::unsupported: return "a variant the loader does not decode";
    case FileRefusal::short_data: return "too little image data for the rows claimed";
    case FileRefusal::outside_screen: return "the first frame lies outside the logical screen";
    case FileRefusal::too_large: return "the picture would not fit the process";
    }
    return "refused";
}

ImageFormat sniff_format(const std::uint8_t* data, std::size_t size) noexcept {
    if (!data) return ImageFormat::unknown;
    if (starts_with(data, size, "\x89PNG\r\n\x1a\n", 8)) return ImageFormat::png;
    if (starts_with(data, size, "GIF87a", 6) || starts_with(data, size, "GIF89a", 6)) return ImageFormat::gif;
    if (starts_with(data, size, "\xFF\xD8\xFF", 3)) return ImageFormat::jpeg;
    if (starts_with(data, size, "II*\0", 4) || starts_with(data, size, "MM\0*", 4)) return ImageFormat::tiff;
    if (starts_with(data, size, "\0\0\1\0", 4)) return ImageFormat::icon;
    if (starts_with(data, size, "\0\0\2\0", 4)) return ImageFormat::cursor;
    if (starts_with(data, size, "BM", 2)) return ImageFormat::bmp;
    return ImageFormat::unknown;
}

ImageCheck check_image_file(const std::uint8_t* data, std::size_t size) {
    ImageCheck image;
    image.format = sniff_format(data, size);
    switch (image.format) {
    case ImageFormat::unknown: return image;
    case ImageFormat::bmp: image.refusal = check_bmp(data, size, image); break;
    case ImageFormat::png: image.refusal = check_png(data, size, image); break;
    case ImageFormat::gif: image.refusal = check_gif(data, size, image); break;
    case ImageFormat::jpeg: image.refusal = check_jpeg(data, size, image); break;
    case ImageFormat::tiff: image.refusal = check_tiff(data, size, image); break;
    case ImageFormat::icon:
    case ImageFormat::cursor: image.refusal = icon::check_icon_file(data, size, image); break;
    }
    if (image.accepted() && !fits_picture_limits(image.width, image.height)) image.refusal = FileRefusal::too_large;
    if (!image.accepted()) {
        image.width = image.height = 0;
        image.decode_length = 0;
        image.append_trailer = false;
    }
    return image;
}

}  // namespace korvix
