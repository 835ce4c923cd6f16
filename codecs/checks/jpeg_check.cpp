#include "codecs/checks/jpeg_check.h"

#include "common/byte_order.h"

namespace korvix {

namespace {

constexpr std::uint8_t kStartOfScan = 0xDA, kEndOfImage = 0xD9, kTemporary = 0x01;

// SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
bool is_frame_header(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}
// Markers without a length: restart markers and TEM.
bool stands_alone(std::uint8_t marker) { return marker == kTemporary || (marker >= 0xD0 && marker <= 0xD7); }

}  // namespace

FileRefusal check_jpeg(const std::uint8_t* data, std::size_t size, ImageCheck& image) {
    std::size_t at = 2;  // after SOI
    while (true) {
        // Stray bytes before a marker are skipped, as the decoders skip them
        // (with a warning); then any number of fill bytes.
        while (at < size && data[at] != 0xFF) ++at;
        while (at < size && data[at] == 0xFF) ++at;
        if (at >= size) return FileRefusal::truncated;
        const std::uint8_t marker = data[at++];
        if (stands_alone(marker)) continue;
        if (marker == kStartOfScan || marker == kEndOfImage || marker == 0xD8) return FileRefusal::bad_header;
        if (size - at < 2) return FileRefusal::truncated;
        const std::size_t length = be16(data + at);
        if (length < 2) return FileRefusal::bad_header;
        if (length > size - at) return FileRefusal::truncated;
        if (is_frame_header(marker)) {
            if (length < 8) return FileRefusal::bad_header;
            const std::uint32_t height = be16(data + at + 3), width = be16(data + at + 5);
            const unsigned components = data[at + 7];
            if (components < 1 || components > 4 || length != 8 + 3u * components) return FileRefusal::bad_header;
            if (width == 0 || height == 0) return FileRefusal::bad_size;
            image.format = ImageFormat::jpeg;
            image.width = width;
            image.height = height;
            image.decode_length = size;
            return FileRefusal::none;
        }
        at += length;
    }
}

}  // namespace korvix
