// check_dib: what a transferred DIB is taken to hold, and every way a lying
// or unusual DIB is refused before anything past the block is read.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "tests/native/twain/dib_builder.h"
#include "twain/bmp_writer.h"
#include "twain/dib_layout.h"

namespace korvix::twain {
namespace {

using test::dib_builder;
using test::dib_shape;

dib_shape shape(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t clr_used = 0,
              std::uint32_t entries = 0) {
    dib_shape s;
    s.width = w;
    s.height = h;
    s.bit_count = bits;
    s.clr_used = clr_used;
    s.table_entries = entries;
    return s;
}

struct accepted_case {
    const char* name;
    dib_shape shape;
    std::uint32_t palette_entries;
    std::size_t row_bytes;
    std::size_t pixel_offset;
    std::uint32_t out_pixel_offset;  // bfOffBits
    std::uint32_t out_file_bytes;    // bfSize
};

TEST(DibLayout, AcceptedDibsAndTheFileTheyBecome) {
    dib_shape v5 = shape(5, 4, 32);
    v5.header_bytes = 124;
    v5.compression = 3;
    v5.masks[0] = 0xFF0000; v5.masks[1] = 0xFF00; v5.masks[2] = 0xFF;
    dib_shape masks_after = shape(2, 2, 16);
    masks_after.compression = 3;
    masks_after.masks_after_header = true;
    masks_after.masks[0] = 0xF800; masks_after.masks[1] = 0x07E0; masks_after.masks[2] = 0x001F;
    dib_shape optional_table = shape(4, 1, 24, 16, 16);

    const accepted_case cases[] = {
        // 24 bits, 100 x 10: rows of 300 bytes, a DIB of 3040 bytes, a file of 3054.
        {"24-bit 100x10", shape(100, 10, 24), 0, 300, 40, 54, 3054},
        {"8-bit grey, 256 colours", shape(4, 2, 8, 256, 256), 256, 4, 1064, 1078, 1086},
        {"8-bit grey, biClrUsed 0 means 256", shape(4, 2, 8, 0, 256), 256, 4, 1064, 1078, 1086},
        {"1-bit of width 1: rows of 4 bytes", shape(1, 3, 1, 0, 2), 2, 4, 48, 62, 74},
        {"4-bit, 16 colours", shape(9, 2, 4, 16, 16), 16, 8, 104, 118, 134},
        {"4-bit, 5 colours", shape(9, 2, 4, 5, 5), 5, 8, 60, 74, 90},
        {"top-down 24-bit", shape(3, -2, 24), 0, 12, 40, 54, 78},
        {"32-bit BI_RGB becomes 24-bit", shape(3, 2, 32), 0, 12, 40, 54, 78},
        {"16-bit 5-5-5 becomes 24-bit", shape(3, 2, 16), 0, 8, 40, 54, 78},
        {"16-bit 5-6-5 masks after the header", masks_after, 0, 4, 52, 54, 70},
        {"V5 header with masks inside", v5, 0, 20, 124, 54, 118},
        {"24-bit with an optional colour table skipped", optional_table, 0, 12, 104, 54, 66},
    };
    for (const accepted_case& c : cases) {
        SCOPED_TRACE(c.name);
        dib_builder b(c.shape);
        const DibCheck check = check_dib(b.bytes().data(), b.bytes().size());
        ASSERT_TRUE(check) << static_cast<int>(check.refusal);
        const DibLayout& l = check.layout;
        EXPECT_EQ(l.palette_entries, c.palette_entries);
        EXPECT_EQ(l.row_bytes, c.row_bytes);
        EXPECT_EQ(l.pixel_offset, c.pixel_offset);
        EXPECT_EQ(l.used_bytes, b.bytes().size());
        EXPECT_EQ(l.out_pixel_offset, c.out_pixel_offset);
        EXPECT_EQ(l.out_file_bytes, c.out_file_bytes);
        EXPECT_EQ(l.top_down, c.shape.height < 0);
        EXPECT_GT(l.height, 0);
        EXPECT_EQ(l.x_pels_per_meter, 11811);
    }
}

struct refused_case {
    const char* name;
    dib_shape shape;
    std::function<void(dib_builder&)> lie;  // applied to a valid DIB
    std::ptrdiff_t block_change;            // added to the block size handed over
    DibRefusal expected;
};

TEST(DibLayout, LyingAndUnsupportedDibsAreRefused) {
    dib_shape bitfields16 = shape(2, 2, 16);
    bitfields16.compression = 3;
    bitfields16.masks_after_header = true;
    bitfields16.masks[0] = 0xF800; bitfields16.masks[1] = 0x07E0; bitfields16.masks[2] = 0x001F;
    auto mask = [](int i, std::uint32_t m) { return [=](dib_builder& b) { b.put32(40 + 4 * i, m); }; };
    auto field = [](std::size_t at, std::uint32_t v) { return [=](dib_builder& b) { b.put32(at, v); }; };
    auto bits = [](std::uint16_t v) { return [=](dib_builder& b) { b.put16(14, v); }; };
    auto none = [](dib_builder&) {};

    const refused_case cases[] = {
        {"block smaller than a header", shape(1, 1, 24), none, -(static_cast<std::ptrdiff_t>(44) - 39),
         DibRefusal::block_too_small},
        {"core header (12 bytes)", shape(1, 1, 24), field(0, 12), 0, DibRefusal::header_size},
        {"header larger than the block", shape(1, 1, 24), field(0, 4096), 0, DibRefusal::header_size},
        {"width 0", shape(1, 1, 24), field(4, 0), 0, DibRefusal::dimensions},
        {"negative width", shape(1, 1, 24), field(4, 0xFFFFFFFF), 0, DibRefusal::dimensions},
        {"height 0", shape(1, 1, 24), field(8, 0), 0, DibRefusal::dimensions},
        {"height -2^31", shape(1, 1, 24), field(8, 0x80000000), 0, DibRefusal::dimensions},
        {"2 bits per pixel", shape(1, 1, 24), bits(2), 0, DibRefusal::bit_count},
        {"0 bits per pixel", shape(1, 1, 24), bits(0), 0, DibRefusal::bit_count},
        {"RLE8", shape(4, 1, 8, 0, 256), field(16, 1), 0, DibRefusal::compression},
        {"JPEG", shape(4, 1, 24), field(16, 4), 0, DibRefusal::compression},
        {"bitfields on 24 bits", shape(4, 1, 24), field(16, 3), 0, DibRefusal::compression},
        {"empty mask", bitfields16, mask(1, 0), 0, DibRefusal::masks},
        {"overlapping masks", bitfields16, mask(1, 0x0FE0), 0, DibRefusal::masks},
        {"split mask", bitfields16, mask(2, 0x0015), 0, DibRefusal::masks},
        {"mask wider than 16 bits", bitfields16, mask(0, 0x1F800), 0, DibRefusal::masks},
        {"masks past the block", bitfields16, none, -static_cast<std::ptrdiff_t>(8 + 12 - 5),
         DibRefusal::pixels_beyond_block},
        {"1 bit, 3 colours", shape(8, 1, 1, 2, 2), field(32, 3), 0, DibRefusal::colour_count},
        {"4 bits, 17 colours", shape(2, 1, 4, 16, 16), field(32, 17), 0, DibRefusal::colour_count},
        {"8 bits, 257 colours", shape(4, 1, 8, 256, 256), field(32, 257), 0, DibRefusal::colour_count},
        {"24 bits, a table of 2^24 entries", shape(4, 1, 24), field(32, 1u << 24), 0, DibRefusal::colour_count},
        {"sizes beyond 32 bits", shape(1, 1, 32), [](dib_builder& b) { b.put32(4, 0x7FFFFFFF); b.put32(8, 0x7FFFFFFF); },
         0, DibRefusal::size_overflow},
        {"one row more than the block holds", shape(3, 2, 24), field(8, 3), 0, DibRefusal::pixels_beyond_block},
        {"block one byte short", shape(3, 2, 24), none, -1, DibRefusal::pixels_beyond_block},
        {"colour table past the block", shape(4, 1, 8, 16, 16), field(32, 256), 0, DibRefusal::pixels_beyond_block},
        {"top-down, one row more than the block holds", shape(3, -2, 24), field(8, static_cast<std::uint32_t>(-3)), 0,
         DibRefusal::pixels_beyond_block},
    };
    for (const refused_case& c : cases) {
        SCOPED_TRACE(c.name);
        dib_builder b(c.shape);
        c.lie(b);
        // The block is a heap copy of exactly the size handed over, so a
        // read past it is caught by the address sanitizer.
        const std::size_t size = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(b.bytes().size()) + c.block_change);
        std::vector<std::uint8_t> block(b.bytes().begin(), b.bytes().begin() + static_cast<std::ptrdiff_t>(size));
        block.shrink_to_fit();
        const DibCheck check = check_dib(block.data(), block.size());
        EXPECT_EQ(check.refusal, c.expected) << static_cast<int>(check.refusal);
    }
    EXPECT_EQ(check_dib(nullptr, 0).refusal, DibRefusal::block_too_small);
}

// Random lies in valid DIBs of every kind: whatever is accepted must lie
// inside its block, and writing it out must read nothing past it.
TEST(DibLayout, RandomLiesNeverReadPastTheBlock) {
    struct null_sink final : ByteSink {
        bool write(const void*, std::size_t) noexcept override { return true; }
    } sink;
    dib_shape masked = shape(5, 3, 32);
    masked.compression = 3;
    masked.masks_after_header = true;
    masked.masks[0] = 0x3FF00000; masked.masks[1] = 0xFFC00; masked.masks[2] = 0x3FF;
    const dib_shape kinds[] = {shape(5, 3, 1, 0, 2), shape(5, -3, 4, 16, 16), shape(5, 3, 8, 0, 256), shape(5, -3, 16),
                              shape(5, 3, 24), shape(5, -3, 32), masked};
    std::mt19937 random(12345);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        dib_builder b(kinds[round % 7]);
        std::vector<std::uint8_t>& bytes = b.bytes();
        const int lies = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < lies; ++i) {
            const std::size_t at = random() % 56;  // header and masks
            if (at < bytes.size()) bytes[at] = static_cast<std::uint8_t>(random());
        }
        const std::size_t size = round % 2 ? bytes.size() : random() % (bytes.size() + 1);
        std::vector<std::uint8_t> block(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        block.shrink_to_fit();
        const DibCheck check = check_dib(block.data(), block.size());
        if (!check) continue;
        ++accepted;
        ASSERT_LE(check.layout.used_bytes, block.size());
        ASSERT_TRUE(write_bmp(block.data(), check.layout, sink));
    }
    EXPECT_GT(accepted, 100);  // the lies left many DIBs valid, so writing was exercised
}

TEST(DibLayout, DotsPerInchFromPelsPerMeter) {
    EXPECT_DOUBLE_EQ(dpi_from_pels_per_meter(11811), 300.0);
    EXPECT_DOUBLE_EQ(dpi_from_pels_per_meter(47244), 1200.0);
    EXPECT_DOUBLE_EQ(dpi_from_pels_per_meter(3937), 100.0);
    EXPECT_DOUBLE_EQ(dpi_from_pels_per_meter(0), 0.0);
    EXPECT_DOUBLE_EQ(dpi_from_pels_per_meter(-11811), 0.0);
}

}  // namespace
}  // namespace korvix::twain
