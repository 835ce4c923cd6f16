#include "codecs/checks/gif_check.h"

#include <cstring>

#include "common/byte_order.h"

namespace korvix {

namespace {

constexpr std::size_t kHeaderSize = 13;  // signature, version, logical screen descriptor
constexpr std::size_t kImageDescriptorSize = 10;
constexpr unsigned kMaxCodeBits = 12;
constexpr unsigned kTableSize = 1u << kMaxCodeBits;

// The bytes of a colour table the flags byte announces.
std::size_t colour_table_bytes(std::uint8_t flags) { return flags & 0x80 ? 3u << ((flags & 7) + 1) : 0; }

// The image data's sub-blocks, one byte at a time.
class SubBlocks {
public:
    SubBlocks(const std::uint8_t* data, std::size_t size, std::size_t at) : data_(data), size_(size), at_(at) {}
    // False at the terminating empty block or at the end of the data.
    bool next(std::uint8_t& byte) {
        if (left_ == 0) {
            if (at_ >= size_ || data_[at_] == 0) return false;
            left_ = data_[at_++];
        }
        if (at_ >= size_) return false;
        byte = data_[at_++];
        --left_;
        return true;
    }
    // Steps over the rest of the blocks; true when their terminator is inside the data.
    bool skip_to_end() {
        while (true) {
            if (left_ > size_ - at_) {
                at_ = size_;
                return false;
            }
            at_ += left_;
            left_ = 0;
            if (at_ >= size_) return false;
            left_ = data_[at_++];
            if (left_ == 0) return true;
        }
    }
    std::size_t position() const { return at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_, at_, left_ = 0;
};

}  // namespace

LzwCount count_lzw_pixels(const std::uint8_t* data, std::size_t size, std::size_t at, unsigned min_code_size,
                          std::uint64_t wanted) {
    // Only the length of each table entry's string matters for counting.
    std::uint16_t length[kTableSize];
    const unsigned clear = 1u << min_code_size, end_of_data = clear + 1;
    for (unsigned code = 0; code < clear; ++code) length[code] = 1;
    unsigned width = min_code_size + 1, next = clear + 2;
    int previous = -1;

    LzwCount count;
    SubBlocks blocks(data, size, at);
    std::uint32_t bits = 0;
    unsigned held = 0;
    while (count.pixels < wanted) {
        bool more = true;
        while (held < width && more) {
            std::uint8_t byte = 0;
            more = blocks.next(byte);
            bits |= std::uint32_t{byte} << held;
            held += more ? 8 : 0;
        }
        if (held < width) break;  // the data ended first
        const unsigned code = bits & ((1u << width) - 1);
        bits >>= width;
        held -= width;
        if (code == clear) {
            width = min_code_size + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end_of_data) break;
        unsigned produced;
        if (previous < 0) {
            if (code > clear) {  // nothing defined yet to refer to
                count.valid = false;
                break;
            }
            produced = 1;
        } else if (code < next) {
            produced = length[code];
        } else if (code == next && next < kTableSize) {
            produced = length[previous] + 1u;  // the string being defined by this very code
        } else {
            count.valid = false;
            break;
        }
        if (previous >= 0 && next < kTableSize) {
            length[next] = static_cast<std::uint16_t>(length[previous] + 1);
            if (++next == (1u << width) && width < kMaxCodeBits) ++width;
        }
        count.pixels += produced;
        previous = static_cast<int>(code);
    }
    count.terminated = blocks.skip_to_end();
    count.end = blocks.position();
    return count;
}

FileRefusal check_gif(const std::uint8_t* data, std::size_t size, ImageCheck& image) {
    if (size < kHeaderSize) return FileRefusal::truncated;
    const std::uint32_t screen_width = le16(data + 6), screen_height = le16(data + 8);
    std::size_t at = kHeaderSize + colour_table_bytes(data[10]);
    while (true) {
        if (at >= size) return FileRefusal::truncated;
        const std::uint8_t block = data[at];
        if (block == ';') return FileRefusal::bad_layout;  // no image at all
        if (block == '!') {  // an extension: label, then sub-blocks
            if (size - at < 2) return FileRefusal::truncated;
            SubBlocks extension(data, size, at + 2);
            if (!extension.skip_to_end()) return FileRefusal::truncated;
            at = extension.position();
            continue;
        }
        if (block != ',') return FileRefusal::bad_header;
        break;
    }

    if (size - at < kImageDescriptorSize + 1) return FileRefusal::truncated;
    const std::uint32_t left = le16(data + at + 1), top = le16(data + at + 3);
    const std::uint32_t width = le16(data + at + 5), height = le16(data + at + 7);
    const std::uint8_t flags = data[at + 9];
    if (width == 0 || height == 0) return FileRefusal::bad_size;
    if (left + width > screen_width || top + height > screen_height) return FileRefusal::outside_screen;
    at += kImageDescriptorSize + colour_table_bytes(flags);
    if (at >= size) return FileRefusal::truncated;
    const unsigned min_code_size = data[at++];
    if (min_code_size < 1 || min_code_size > 8) return FileRefusal::bad_header;

    const std::uint64_t wanted = std::uint64_t{width} * height;
    const LzwCount count = count_lzw_pixels(data, size, at, min_code_size, wanted);
    if (!count.valid) return FileRefusal::bad_header;
    if (count.pixels < wanted) return count.terminated ? FileRefusal::short_data : FileRefusal::truncated;

    image.format = ImageFormat::gif;
    image.width = width;
    image.height = height;
    if (!count.terminated) {
        // The pixels are all there but the blocks run to the end of the file:
        // the decoder takes the end of the file as the end of the frame.
        image.decode_length = size;
    } else if (count.end < size && data[count.end] == ';') {
        image.decode_length = count.end + 1;
    } else {
        image.decode_length = count.end;
        image.append_trailer = true;
    }
    return FileRefusal::none;
}

}  // namespace korvix
