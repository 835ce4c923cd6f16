// write_bmp: every kind of DIB a source sends comes out as a plain BMP file
// whose every pixel has the colour the DIB meant, in the right row order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/native/twain/dib_builder.h"
#include "twain/bmp_writer.h"
#include "twain/dib_layout.h"

namespace korvix::twain {
namespace {

using test::dib_builder;
using test::dib_spec;

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

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A plain reader of the files write_bmp makes: 40-byte header, bottom-up,
// 1/4/8 bits through the table or 24-bit BGR. Pixels as 0xRRGGBB, top row first.
struct decoded {
    std::int32_t width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
};
decoded read_bmp(const std::vector<std::uint8_t>& f) {
    decoded d;
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M' || le32(f, 2) != f.size() || le32(f, 14) != 40) {
        ADD_FAILURE() << "not a BMP file of the expected form";
        return d;
    }
    const std::uint32_t offset = le32(f, 10);
    d.width = static_cast<std::int32_t>(le32(f, 18));
    d.height = static_cast<std::int32_t>(le32(f, 22));
    const unsigned bits = f[28];
    EXPECT_EQ(le32(f, 30), 0u) << "compression";
    const std::uint32_t colours = le32(f, 46);
    EXPECT_EQ(offset, 54 + 4 * colours);
    const std::size_t row = (static_cast<std::size_t>(d.width) * bits + 31) / 32 * 4;
    EXPECT_EQ(le32(f, 34), row * d.height) << "biSizeImage";
    EXPECT_EQ(f.size(), offset + row * d.height);
    for (std::int32_t y = 0; y < d.height; ++y) {
        const std::uint8_t* r = f.data() + offset + row * static_cast<std::size_t>(d.height - 1 - y);
        for (std::int32_t x = 0; x < d.width; ++x) {
            if (bits == 24) {
                d.rgb.push_back(r[3 * x + 2] << 16 | r[3 * x + 1] << 8 | r[3 * x]);
            } else {
                const unsigned bit = static_cast<unsigned>(x) * bits;
                const unsigned index = (r[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                EXPECT_LT(index, colours);
                d.rgb.push_back(le32(f, 54 + 4 * index) & 0xFFFFFF);
            }
        }
    }
    return d;
}

// Channel value v of a field of `bits` bits, as an 8-bit level.
std::uint32_t level(std::uint32_t v, unsigned bits) {
    return static_cast<std::uint32_t>(std::lround(v * 255.0 / ((1ull << bits) - 1)));
}

struct kind {
    std::string name;
    dib_spec spec;
};

// Pixel (x, y) of the test picture: a raw value and the colour it means.
struct pixel_def {
    std::uint32_t raw;
    std::uint32_t rgb;
};
pixel_def pixel_of(const dib_spec& s, std::int32_t x, std::int32_t y) {
    const std::uint32_t n = static_cast<std::uint32_t>(x * 7 + y * 3);
    if (s.bit_count <= 8) {
        const std::uint32_t entries = s.clr_used ? s.clr_used : 1u << s.bit_count;
        const std::uint32_t i = n % entries;
        return {i, (i * 0x3D1F27u) & 0xFFFFFF};  // the palette below
    }
    if (s.bit_count == 24) {
        const std::uint32_t rgb = (n * 0x51A3C7u) & 0xFFFFFF;
        return {rgb, rgb};
    }
    const bool masks = s.compression == 3;
    const std::uint32_t rm = masks ? s.masks[0] : (s.bit_count == 16 ? 0x7C00 : 0xFF0000);
    const std::uint32_t gm = masks ? s.masks[1] : (s.bit_count == 16 ? 0x03E0 : 0xFF00);
    const std::uint32_t bm = masks ? s.masks[2] : (s.bit_count == 16 ? 0x001F : 0xFF);
    auto shift = [](std::uint32_t m) { unsigned s = 0; while (!((m >> s) & 1)) ++s; return s; };
    auto width = [&](std::uint32_t m) { return static_cast<unsigned>(__builtin_popcount(m)); };
    const std::uint32_t r = (n * 5 + 1) & (rm >> shift(rm)), g = (n * 11) & (gm >> shift(gm)),
                        b = (n * 3 + 7) & (bm >> shift(bm));
    std::uint32_t raw = r << shift(rm) | g << shift(gm) | b << shift(bm);
    if (s.bit_count == 32) raw |= 0xA5000000u & ~(rm | gm | bm);  // junk in the unused byte
    return {raw, level(r, width(rm)) << 16 | level(g, width(gm)) << 8 | level(b, width(bm))};
}

std::vector<kind> kinds() {
    auto make = [](std::uint16_t bits, std::uint32_t clr_used, std::uint32_t entries) {
        dib_spec s;
        s.width = 7;  // every depth gets row padding
        s.height = 3;
        s.bit_count = bits;
        s.clr_used = clr_used;
        s.table_entries = entries;
        return s;
    };
    dib_spec b565 = make(16, 0, 0);
    b565.compression = 3;
    b565.masks_after_header = true;
    b565.masks[0] = 0xF800; b565.masks[1] = 0x07E0; b565.masks[2] = 0x001F;
    dib_spec b101010 = make(32, 0, 0);
    b101010.compression = 3;
    b101010.masks_after_header = true;
    b101010.masks[0] = 0x3FF00000; b101010.masks[1] = 0x000FFC00; b101010.masks[2] = 0x000003FF;
    dib_spec v5 = make(32, 0, 0);
    v5.header_bytes = 124;
    v5.compression = 3;
    v5.masks[0] = 0x0000FF00; v5.masks[1] = 0x00FF0000; v5.masks[2] = 0xFF000000;  // unusual order
    dib_spec v4_24 = make(24, 0, 0);
    v4_24.header_bytes = 108;
    return {{"1-bit", make(1, 0, 2)},           {"4-bit, 16 colours", make(4, 16, 16)},
            {"4-bit, 6 colours", make(4, 6, 6)}, {"8-bit, biClrUsed 0", make(8, 0, 256)},
            {"8-bit, 256 colours", make(8, 256, 256)}, {"8-bit, 40 colours", make(8, 40, 40)},
            {"24-bit", make(24, 0, 0)},         {"V4 header, 24-bit", v4_24},
            {"32-bit BI_RGB", make(32, 0, 0)},  {"16-bit 5-5-5", make(16, 0, 0)},
            {"16-bit 5-6-5 bitfields", b565},   {"32-bit 10-10-10 bitfields", b101010},
            {"V5 header, 32-bit bitfields", v5}};
}

TEST(BmpWriter, EveryKindOfDibComesOutWithItsColoursInBothRowOrders) {
    for (const kind& k : kinds()) {
        for (const bool top_down : {false, true}) {
            SCOPED_TRACE(k.name + (top_down ? ", top-down" : ", bottom-up"));
            dib_spec s = k.spec;
            if (top_down) s.height = -s.height;
            dib_builder b(s);
            for (std::uint32_t i = 0; i < s.table_entries; ++i) b.palette(i, (i * 0x3D1F27u) & 0xFFFFFF);
            for (std::int32_t y = 0; y < 3; ++y)
                for (std::int32_t x = 0; x < 7; ++x) b.pixel(x, y, pixel_of(s, x, y).raw);

            const DibCheck check = check_dib(b.bytes().data(), b.bytes().size());
            ASSERT_TRUE(check) << describe(check.refusal);
            memory_sink sink;
            ASSERT_TRUE(write_bmp(b.bytes().data(), check.layout, sink));
            ASSERT_EQ(sink.bytes.size(), check.layout.out_file_bytes);
            const decoded d = read_bmp(sink.bytes);
            ASSERT_EQ(d.width, 7);
            ASSERT_EQ(d.height, 3);
            EXPECT_EQ(le32(sink.bytes, 38), 11811u) << "horizontal resolution kept";
            for (std::int32_t y = 0; y < 3; ++y)
                for (std::int32_t x = 0; x < 7; ++x)
                    EXPECT_EQ(d.rgb[static_cast<std::size_t>(y * 7 + x)], pixel_of(s, x, y).rgb)
                        << "pixel " << x << "," << y;
        }
    }
}

TEST(BmpWriter, StopsAtTheFirstRefusedWrite) {
    for (const bool top_down : {false, true}) {
        dib_spec s;
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
