#include "codecs/checks/tiff_check.h"

#include <algorithm>
#include <limits>

#include "common/byte_order.h"

namespace korvix {

namespace {

enum Tag : std::uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kPlanarConfiguration = 284,
    kTileWidth = 322,
    kTileLength = 323,
    kTileOffsets = 324,
    kTileByteCounts = 325,
};
constexpr std::uint16_t kShort = 3, kLong = 4;
constexpr std::uint64_t kLargest32 = std::numeric_limits<std::uint32_t>::max();

// One directory entry's values (SHORT or LONG), inline or at their offset.
struct Field {
    bool present = false;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::size_t at = 0;  // where the values are
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size, bool big) : data_(data), size_(size), big_(big) {}
    std::uint16_t u16(std::size_t at) const { return big_ ? be16(data_ + at) : le16(data_ + at); }
    std::uint32_t u32(std::size_t at) const { return big_ ? be32(data_ + at) : le32(data_ + at); }
    // Reads entry `entry`; false when its values are not SHORT or LONG or lie outside the file.
    bool field(std::size_t entry, Field& field) const {
        field.type = u16(entry + 2);
        field.count = u32(entry + 4);
        if ((field.type != kShort && field.type != kLong) || field.count == 0) return false;
        const std::uint64_t bytes = std::uint64_t{field.count} * (field.type == kShort ? 2 : 4);
        field.at = bytes <= 4 ? entry + 8 : u32(entry + 8);
        field.present = true;
        return field.at <= size_ && bytes <= size_ - field.at;
    }
    std::uint32_t value(const Field& field, std::uint32_t index) const {
        return field.type == kShort ? u16(field.at + 2 * index) : u32(field.at + 4 * index);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    bool big_;
};

}  // namespace

FileRefusal check_tiff(const std::uint8_t* data, std::size_t size, ImageCheck& image) {
    if (size < 8) return FileRefusal::truncated;
    const Reader tiff(data, size, data[0] == 'M');
    const std::uint32_t directory = tiff.u32(4);
    if (directory < 8 || directory > size || size - directory < 2) return FileRefusal::bad_layout;
    const std::uint16_t entries = tiff.u16(directory);
    if (entries == 0) return FileRefusal::bad_header;
    if ((size - directory - 2) / 12 < entries) return FileRefusal::truncated;

    Field width, length, bits, samples, rows_per_strip, planar, offsets, counts, tile_width, tile_length;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        Field* wanted = nullptr;
        switch (tiff.u16(entry)) {
        case kImageWidth: wanted = &width; break;
        case kImageLength: wanted = &length; break;
        case kBitsPerSample: wanted = &bits; break;
        case kSamplesPerPixel: wanted = &samples; break;
        case kRowsPerStrip: wanted = &rows_per_strip; break;
        case kPlanarConfiguration: wanted = &planar; break;
        case kStripOffsets:
        case kTileOffsets: wanted = &offsets; break;
        case kStripByteCounts:
        case kTileByteCounts: wanted = &counts; break;
        case kTileWidth: wanted = &tile_width; break;
        case kTileLength: wanted = &tile_length; break;
        }
        if (wanted && !tiff.field(entry, *wanted)) return FileRefusal::bad_layout;
    }

    if (!width.present || !length.present || !offsets.present) return FileRefusal::bad_header;
    const std::uint64_t columns = tiff.value(width, 0), rows = tiff.value(length, 0);
    if (columns == 0 || rows == 0) return FileRefusal::bad_size;
    const std::uint64_t sample_bits = bits.present ? tiff.value(bits, 0) : 1;
    const std::uint64_t sample_count = samples.present ? tiff.value(samples, 0) : 1;
    // A sample of up to 64 bits and up to 65,535 samples: what the format can
    // name, and small enough that the sizes below cannot overflow.
    if (sample_bits == 0 || sample_bits > 64 || sample_count == 0 || sample_count > 0xFFFF)
        return FileRefusal::bad_header;
    const bool planes_apart = planar.present && tiff.value(planar, 0) == 2;
    const std::uint64_t pixel_bits = sample_bits * (planes_apart ? 1 : sample_count);

    // One strip or tile as a decoder holds it.
    std::uint64_t chunk_columns = columns, chunk_rows = rows;
    if (tile_width.present || tile_length.present) {
        chunk_columns = tile_width.present ? tiff.value(tile_width, 0) : 0;
        chunk_rows = tile_length.present ? tiff.value(tile_length, 0) : 0;
        if (chunk_columns == 0 || chunk_rows == 0) return FileRefusal::bad_size;
    } else if (rows_per_strip.present) {
        chunk_rows = std::clamp<std::uint64_t>(tiff.value(rows_per_strip, 0), 1, rows);
    }
    const std::uint64_t chunk_row_bytes = (chunk_columns * pixel_bits + 7) / 8;
    if (chunk_row_bytes > kLargest32 / chunk_rows) return FileRefusal::too_large;

    for (std::uint32_t i = 0; i < offsets.count; ++i)
        if (tiff.value(offsets, i) >= size) return FileRefusal::bad_layout;

    image.format = ImageFormat::tiff;
    image.width = static_cast<std::uint32_t>(columns);
    image.height = static_cast<std::uint32_t>(rows);
    image.decode_length = size;
    return FileRefusal::none;
}

}  // namespace korvix
