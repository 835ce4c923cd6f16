#include "codecs/tiff_writer.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace korvix {

namespace {

// Field types and tags of TIFF 6.0 used here.
constexpr uint16_t kShort = 3, kLong = 4, kRational = 5;
enum Tag : uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kXResolution = 282,
    kYResolution = 283,
    kPlanarConfiguration = 284,
    kResolutionUnit = 296,
};
constexpr uint32_t kEntries = 13;
constexpr uint32_t kIfdOffset = 8;
constexpr uint32_t kIfdSize = 2 + kEntries * 12 + 4;
// Values too long for an entry, in this order after the directory.
constexpr uint32_t kBitsOffset = kIfdOffset + kIfdSize;  // 3 shorts, padded to 8 bytes
constexpr uint32_t kXResolutionOffset = kBitsOffset + 8;
constexpr uint32_t kYResolutionOffset = kXResolutionOffset + 8;
constexpr uint32_t kStripTablesOffset = kYResolutionOffset + 8;
constexpr uint64_t kStripTarget = 64 * 1024;

class LittleEndian {
public:
    void u16(uint16_t v) {
        bytes_.push_back(static_cast<uint8_t>(v));
        bytes_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        u16(tag);
        u16(type);
        u32(count);
        // A single SHORT sits in the first two bytes of the value field.
        if (type == kShort && count == 1) {
            u16(static_cast<uint16_t>(value));
            u16(0);
        } else {
            u32(value);
        }
    }
    const std::vector<uint8_t>& bytes() const noexcept { return bytes_; }
    size_t size() const noexcept { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};

// Dots per inch as a TIFF rational: whole numbers exactly, others to 1/10000.
std::pair<uint32_t, uint32_t> rational(double dpi) {
    constexpr double kMax = 4294967295.0;
    if (dpi == std::floor(dpi)) return {static_cast<uint32_t>(std::min(dpi, kMax)), 1};
    if (dpi * 10000.0 < kMax) return {static_cast<uint32_t>(std::llround(dpi * 10000.0)), 10000};
    return {static_cast<uint32_t>(std::min(std::round(dpi), kMax)), 1};
}

}  // namespace

TiffResult write_tiff(BgrRowSource& rows, ImageResolution dpi, ByteSink& sink) {
    const int32_t width = rows.width(), height = rows.height();
    if (width <= 0 || height <= 0) return TiffResult::invalid_size;

    // Every size in 64 bits first; classic TIFF offsets are 32-bit.
    const uint64_t row_bytes = uint64_t(width) * 3;
    const uint64_t image_bytes = row_bytes * uint64_t(height);
    const uint64_t rows_per_strip = std::min<uint64_t>(std::max<uint64_t>(1, kStripTarget / row_bytes), height);
    const uint64_t strips = (uint64_t(height) + rows_per_strip - 1) / rows_per_strip;
    const uint64_t tables = strips == 1 ? 0 : strips * 8;
    const uint64_t pixels_offset = kStripTablesOffset + tables;
    if (pixels_offset + image_bytes > 0xFFFFFFFFull) return TiffResult::too_large;

    const ImageResolution written = resolution_or_screen(dpi);
    const auto x_resolution = rational(written.x);
    const auto y_resolution = rational(written.y);
    const uint32_t strip_bytes = static_cast<uint32_t>(rows_per_strip * row_bytes);
    const uint32_t last_strip_bytes = static_cast<uint32_t>(image_bytes - (strips - 1) * strip_bytes);

    LittleEndian head;
    head.u16(0x4949);  // "II"
    head.u16(42);
    head.u32(kIfdOffset);
    head.u16(kEntries);
    const uint32_t n = static_cast<uint32_t>(strips);
    const uint32_t offsets_value = n == 1 ? static_cast<uint32_t>(pixels_offset) : kStripTablesOffset;
    const uint32_t counts_value = n == 1 ? last_strip_bytes : kStripTablesOffset + 4 * n;
    head.entry(kImageWidth, kLong, 1, static_cast<uint32_t>(width));
    head.entry(kImageLength, kLong, 1, static_cast<uint32_t>(height));
    head.entry(kBitsPerSample, kShort, 3, kBitsOffset);
    head.entry(kCompression, kShort, 1, 1);  // none
    head.entry(kPhotometric, kShort, 1, 2);  // RGB
    head.entry(kStripOffsets, kLong, n, offsets_value);
    head.entry(kSamplesPerPixel, kShort, 1, 3);
    head.entry(kRowsPerStrip, kLong, 1, static_cast<uint32_t>(rows_per_strip));
    head.entry(kStripByteCounts, kLong, n, counts_value);
    head.entry(kXResolution, kRational, 1, kXResolutionOffset);
    head.entry(kYResolution, kRational, 1, kYResolutionOffset);
    head.entry(kPlanarConfiguration, kShort, 1, 1);  // chunky
    head.entry(kResolutionUnit, kShort, 1, 2);       // inch
    head.u32(0);                                     // no further directory
    for (int i = 0; i < 3; ++i) head.u16(8);
    head.u16(0);
    head.u32(x_resolution.first);
    head.u32(x_resolution.second);
    head.u32(y_resolution.first);
    head.u32(y_resolution.second);
    if (n > 1) {
        for (uint32_t s = 0; s < n; ++s) head.u32(static_cast<uint32_t>(pixels_offset + uint64_t(s) * strip_bytes));
        for (uint32_t s = 0; s < n; ++s) head.u32(s + 1 == n ? last_strip_bytes : strip_bytes);
    }
    if (!sink.write(head.bytes().data(), head.size())) return TiffResult::write_failed;

    std::vector<uint8_t> strip(strip_bytes);
    for (uint64_t first = 0; first < uint64_t(height); first += rows_per_strip) {
        const int32_t count = static_cast<int32_t>(std::min<uint64_t>(rows_per_strip, height - first));
        if (!rows.read_rows(static_cast<int32_t>(first), count, strip.data(), row_bytes))
            return TiffResult::read_failed;
        const size_t used = size_t(count) * row_bytes;
        for (size_t i = 0; i < used; i += 3) std::swap(strip[i], strip[i + 2]);  // BGR to RGB
        if (!sink.write(strip.data(), used)) return TiffResult::write_failed;
    }
    return TiffResult::written;
}

}  // namespace korvix
