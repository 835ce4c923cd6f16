// check_dib: the edge-case sizes of the file an accepted DIB becomes, and
// every way a lying or unsupported DIB is refused before anything past its
// block is read; write_bmp: rows written in place, and a refused write ends
// the file. (Every kind of DIB is checked pixel by pixel through the whole
// scan under Wine; random lies are the fuzz target's.)
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "tests/native/twain/test_dibs.h"
#include "twain/bmp_writer.h"
#include "twain/dib_layout.h"

namespace korvix::twain {
namespace {

using test::make_dib;
using test::parse_kind;

TEST(DibLayout, TheFileAnAcceptedDibBecomes) {
    struct accepted_case {
        const char* kind;
        std::size_t row_bytes;
        std::uint32_t out_pixel_offset, out_file_bytes;  // bfOffBits, bfSize
    };
    const accepted_case cases[] = {
        {"24,size=100x10", 300, 54, 3054},
        {"8,size=4x2", 4, 1078, 1086},  // biClrUsed 0: 256 colours
        {"1,size=1x3", 4, 62, 74},      // rows of 4 bytes
        {"24,clr=16,size=4x1", 12, 54, 66},  // the optional colour table is left out
    };
    for (const accepted_case& c : cases) {
        const std::vector<std::uint8_t> dib = make_dib(parse_kind(c.kind));
        const DibCheck check = check_dib(dib.data(), dib.size());
        ASSERT_TRUE(check) << c.kind << ": " << static_cast<int>(check.refusal);
        EXPECT_EQ(check.layout.row_bytes, c.row_bytes) << c.kind;
        EXPECT_EQ(check.layout.used_bytes, dib.size()) << c.kind;
        EXPECT_EQ(check.layout.out_pixel_offset, c.out_pixel_offset) << c.kind;
        EXPECT_EQ(check.layout.out_file_bytes, c.out_file_bytes) << c.kind;
    }
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

struct counting_sink final : ByteSink {
    int writes = 0;
    int fail_at = -1;  // index of the write that fails
    bool write(const void*, std::size_t) noexcept override { return writes++ != fail_at; }
};

// A bottom-up DIB's rows go out in one piece straight from the block (no
// copy), a top-down one's row by row; nothing is written after a refusal.
TEST(BmpWriter, WritesRowsInPlaceAndStopsAtTheFirstRefusedWrite) {
    for (const char* kind : {"8,size=3x4", "8,size=3x4,topdown"}) {
        const std::vector<std::uint8_t> dib = make_dib(parse_kind(kind));
        const DibCheck check = check_dib(dib.data(), dib.size());
        ASSERT_TRUE(check);
        counting_sink all;
        ASSERT_TRUE(write_bmp(dib.data(), check.layout, all));
        EXPECT_EQ(all.writes, check.layout.top_down ? 6 : 3) << "headers, colour table, then the rows";
        for (int fail = 0; fail < all.writes; ++fail) {
            counting_sink sink;
            sink.fail_at = fail;
            EXPECT_FALSE(write_bmp(dib.data(), check.layout, sink));
            EXPECT_EQ(sink.writes, fail + 1) << kind << ": nothing written after the refusal";
        }
    }
}

}  // namespace
}  // namespace korvix::twain
