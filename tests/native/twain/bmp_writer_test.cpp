// write_bmp stops at the first write its sink refuses. (Every kind of DIB,
// pixel by pixel, is checked through the whole scan path under Wine, and
// random DIBs run through the writer under the sanitizers in dib_layout_test.)
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/native/twain/dib_builder.h"
#include "twain/bmp_writer.h"
#include "twain/dib_layout.h"

namespace korvix::twain {
namespace {

using test::dib_builder;
using test::dib_shape;

struct memory_sink final : ByteSink {
    std::vector<std::uint8_t> bytes;
    int writes = 0;
    int fail_at = -1;  // index of the write that fails
    bool write(const void* data, std::size_t n) noexcept override {
        if (writes++ == fail_at) return false;
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + n);
        return true;
    }
};

TEST(BmpWriter, StopsAtTheFirstRefusedWrite) {
    for (const bool top_down : {false, true}) {
        dib_shape s;
        s.width = 3;
        s.height = top_down ? -4 : 4;
        s.bit_count = 8;
        s.table_entries = 256;
        dib_builder b(s);
        const DibCheck check = check_dib(b.bytes().data(), b.bytes().size());
        ASSERT_TRUE(check);
        memory_sink all;
        ASSERT_TRUE(write_bmp(b.bytes().data(), check.layout, all));
        // Bottom-up: headers, table, all rows at once; top-down: row by row.
        EXPECT_EQ(all.writes, top_down ? 6 : 3);
        for (int fail = 0; fail < all.writes; ++fail) {
            memory_sink sink;
            sink.fail_at = fail;
            EXPECT_FALSE(write_bmp(b.bytes().data(), check.layout, sink)) << "failing write " << fail;
            EXPECT_EQ(sink.writes, fail + 1) << "nothing written after the refusal";
        }
    }
}

}  // namespace
}  // namespace korvix::twain
