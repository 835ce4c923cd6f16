// check_dib: the edge-case sizes of the bitmap an accepted DIB becomes, and
// every way a lying or unsupported DIB is refused before anything past its
// block is read; copy_dib_rows: every kind of DIB into the bitmap's rows,
// pixel by pixel. (The same kinds go through the whole scan under Wine;
// random lies are the fuzz target's.)
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/native/twain/test_dibs.h"
#include "twain/dib_layout.h"
#include "twain/dib_rows.h"

namespace korvix::twain {
namespace {

using test::make_dib;
using test::parse_kind;

TEST(DibLayout, TheBitmapAnAcceptedDibBecomes) {
    struct accepted_case {
        const char* kind;
        std::size_t row_bytes, out_row_bytes, out_image_bytes;
    };
    const accepted_case cases[] = {
        {"24,size=100x10", 300, 300, 3000},
        {"8,size=4x2", 4, 4, 8},        // biClrUsed 0: 256 colours
        {"1,size=1x3", 4, 4, 12},       // rows of 4 bytes
        {"24,clr=16,size=4x1", 12, 12, 12},  // the optional colour table is skipped
        {"16,size=3x2", 8, 12, 24},     // 16 bits become 24
        {"32,bitfields,v5,size=5x1", 20, 16, 16},
    };
    for (const accepted_case& c : cases) {
        const std::vector<std::uint8_t> dib = make_dib(parse_kind(c.kind));
        const DibCheck check = check_dib(dib.data(), dib.size());
        ASSERT_TRUE(check) << c.kind << ": " << static_cast<int>(check.refusal);
        EXPECT_EQ(check.layout.row_bytes, c.row_bytes) << c.kind;
        EXPECT_EQ(check.layout.used_bytes, dib.size()) << c.kind;
        EXPECT_EQ(check.layout.out_row_bytes, c.out_row_bytes) << c.kind;
        EXPECT_EQ(check.layout.out_image_bytes, c.out_image_bytes) << c.kind;
    }
    EXPECT_EQ(pels_per_meter_from_dpi(300), 11811);
    EXPECT_EQ(pels_per_meter_from_dpi(150), 5906);
    EXPECT_EQ(pels_per_meter_from_dpi(0), 0);
}

TEST(DibLayout, LyingAndUnsupportedDibsAreRefused) {
    using lie_fn = std::function<void(std::vector<std::uint8_t>&)>;
    auto field = [](std::size_t at, std::uint32_t v) -> lie_fn { return [=](auto& d) { test::put32(d, at, v); }; };
    const lie_fn none = [](auto&) {};
    struct refused_case {
        const char* name;
        const char* kind;
        lie_fn lie;                   // applied to a valid DIB
        std::ptrdiff_t block_change;  // added to the size of the block handed over
        DibRefusal expected;
    };
    const refused_case cases[] = {
        {"block smaller than a header", "24,size=1x1", none, -5, DibRefusal::block_too_small},
        {"core header (12 bytes)", "24", field(0, 12), 0, DibRefusal::header_size},
        {"header larger than the block", "24", field(0, 4096), 0, DibRefusal::header_size},
        {"width 0", "24", field(4, 0), 0, DibRefusal::dimensions},
        {"negative width", "24", field(4, 0xFFFFFFFF), 0, DibRefusal::dimensions},
        {"height 0", "24", field(8, 0), 0, DibRefusal::dimensions},
        {"height -2^31", "24", field(8, 0x80000000), 0, DibRefusal::dimensions},
        {"2 bits per pixel", "24", field(12, 1 | 2 << 16), 0, DibRefusal::bit_count},
        {"RLE8", "8", field(16, 1), 0, DibRefusal::compression},
        {"bitfields on 24 bits", "24", field(16, 3), 0, DibRefusal::compression},
        {"empty mask", "16,bitfields", field(44, 0), 0, DibRefusal::masks},
        {"overlapping masks", "16,bitfields", field(44, 0x0FE0), 0, DibRefusal::masks},
        {"split mask", "16,bitfields", field(48, 0x0015), 0, DibRefusal::masks},
        {"mask wider than 16 bits", "16,bitfields", field(40, 0x1F800), 0, DibRefusal::masks},
        {"masks past the block", "16,bitfields,size=2x2", none, -15, DibRefusal::pixels_beyond_block},
        {"1 bit, 3 colours", "1,clr=2", field(32, 3), 0, DibRefusal::colour_count},
        {"8 bits, 257 colours", "8", field(32, 257), 0, DibRefusal::colour_count},
        {"24 bits, a table of 2^24 entries", "24", field(32, 1u << 24), 0, DibRefusal::colour_count},
        {"sizes beyond 32 bits", "32,huge", none, 0, DibRefusal::size_overflow},
        {"more rows than the block holds", "24,lie", none, 0, DibRefusal::pixels_beyond_block},
        {"top-down, one row more", "24,topdown,size=3x2", field(8, static_cast<std::uint32_t>(-3)), 0,
         DibRefusal::pixels_beyond_block},
        {"block one byte short", "24", none, -1, DibRefusal::pixels_beyond_block},
        {"colour table past the block", "8,clr=16", field(32, 256), 0, DibRefusal::pixels_beyond_block},
    };
    for (const refused_case& c : cases) {
        std::vector<std::uint8_t> dib = make_dib(parse_kind(c.kind));
        c.lie(dib);
        // A heap block of exactly the size handed over: a read past it is
        // caught by the address sanitizer.
        const std::vector<std::uint8_t> block(dib.begin(), dib.end() + c.block_change);
        EXPECT_EQ(check_dib(block.data(), block.size()).refusal, c.expected) << c.name;
    }
    EXPECT_EQ(check_dib(nullptr, 0).refusal, DibRefusal::block_too_small);
}

// Every kind of DIB a driver sends, in both row orders: the bitmap's rows,
// bottom-up, hold every pixel's colour (through the colour table for 1/4/8
// bits), and converted rows end in zero padding.
TEST(DibRows, EveryKindBecomesTheBitmapsRowsPixelByPixel) {
    for (const char* kind : {"1", "4,clr=16", "8", "8,clr=16", "24", "24,clr=16", "32", "16", "16,bitfields",
                             "32,bitfields", "32,bitfields,v5"})
        for (const char* order : {"", ",topdown"}) {
            const std::string name = std::string(kind) + order;
            const test::dib_kind k = parse_kind(name);
            const std::vector<std::uint8_t> dib = make_dib(k);
            const DibCheck check = check_dib(dib.data(), dib.size());
            ASSERT_TRUE(check) << name;
            const DibLayout& l = check.layout;
            std::vector<std::uint8_t> out(l.out_image_bytes, 0xCC);
            copy_dib_rows(dib.data() + l.pixel_offset, l, out.data());
            for (std::int32_t y = 0; y < l.height; ++y) {
                const std::uint8_t* row = out.data() + (l.height - 1 - y) * l.out_row_bytes;
                for (std::int32_t x = 0; x < l.width; ++x) {
                    const std::uint8_t* bgr = row + 3 * x;
                    if (l.out_bit_count <= 8) {
                        const unsigned bit = static_cast<unsigned>(x) * l.out_bit_count;
                        const unsigned index = row[bit / 8] >> (8 - l.out_bit_count - bit % 8) &
                                               ((1u << l.out_bit_count) - 1);
                        bgr = dib.data() + l.palette_offset + 4 * index;
                    }
                    EXPECT_EQ(static_cast<std::uint32_t>(bgr[2] << 16 | bgr[1] << 8 | bgr[0]),
                              test::expected_colour(k, x, y))
                        << name << " at " << x << "," << y;
                }
                for (std::size_t pad = 3 * static_cast<std::size_t>(l.width); l.bitfields && pad < l.out_row_bytes; ++pad)
                    EXPECT_EQ(row[pad], 0) << name << ": padding of row " << y;
            }
        }
}

}  // namespace
}  // namespace korvix::twain
