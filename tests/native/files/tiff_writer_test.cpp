// The TIFF writer read back by a small reader of its own: every tag a
// baseline reader needs, strips that tile the picture exactly, and every
// pixel in RGB order.
#include <gtest/gtest.h>

#include <map>

#include "codecs/tiff_writer.h"
#include "tests/native/files/memory_picture.h"

namespace korvix {
namespace {

struct MemorySink final : ByteSink {
    std::vector<uint8_t> bytes;
    size_t fail_after = SIZE_MAX;
    bool write(const void* data, size_t size) override {
        if (bytes.size() + size > fail_after) return false;
        bytes.insert(bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        return true;
    }
};

struct Tiff {
    const std::vector<uint8_t>& b;
    uint32_t u16(size_t at) const { return b.at(at) | b.at(at + 1) << 8; }
    uint32_t u32(size_t at) const { return u16(at) | u16(at + 2) << 16; }
    // tag -> values (SHORT and LONG arrays; a RATIONAL as numerator, denominator)
    std::map<uint32_t, std::vector<uint32_t>> tags() const {
        std::map<uint32_t, std::vector<uint32_t>> out;
        const size_t ifd = u32(4);
        for (uint32_t i = 0, n = u16(ifd); i < n; ++i) {
            const size_t e = ifd + 2 + 12 * i;
            const uint32_t type = u16(e + 2), count = u32(e + 4);
            const size_t size = type == 3 ? 2 : type == 4 ? 4 : 8;
            const size_t at = size * count <= 4 ? e + 8 : u32(e + 8);
            for (uint32_t k = 0; k < count; ++k) {
                if (type == 3) out[u16(e)].push_back(u16(at + 2 * k));
                if (type == 4) out[u16(e)].push_back(u32(at + 4 * k));
                if (type == 5) out[u16(e)].insert(out[u16(e)].end(), {u32(at + 8 * k), u32(at + 8 * k + 4)});
            }
        }
        return out;
    }
};

TEST(TiffWriter, WritesABaselineRgbFileThatReadsBackPixelForPixel) {
    struct Case {
        int32_t width, height;
        ImageResolution dpi;
        std::vector<uint32_t> x_resolution;
    };
    // One strip; many one-row strips (a row longer than the 64 KiB target);
    // a partial last strip; an unknown resolution written as 96.
    for (const Case& c : {Case{5, 3, {300, 150}, {300, 1}}, Case{22000, 3, {96.5, 96.5}, {965000, 10000}},
                          Case{100, 700, {0, 0}, {96, 1}}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        test::MemoryPicture picture(c.width, c.height, [](int32_t x, int32_t y) { return uint32_t(x * 7919 + y * 104729) & 0xFFFFFF; });
        MemorySink sink;
        ASSERT_EQ(write_tiff(picture, c.dpi, sink), TiffResult::written);
        const Tiff tiff{sink.bytes};
        ASSERT_EQ(tiff.u16(0), 0x4949u);
        ASSERT_EQ(tiff.u16(2), 42u);
        auto tags = tiff.tags();
        EXPECT_EQ(tags[256], std::vector<uint32_t>{uint32_t(c.width)});
        EXPECT_EQ(tags[257], std::vector<uint32_t>{uint32_t(c.height)});
        EXPECT_EQ(tags[258], (std::vector<uint32_t>{8, 8, 8}));
        EXPECT_EQ(tags[259], std::vector<uint32_t>{1});
        EXPECT_EQ(tags[262], std::vector<uint32_t>{2});
        EXPECT_EQ(tags[277], std::vector<uint32_t>{3});
        EXPECT_EQ(tags[284], std::vector<uint32_t>{1});
        EXPECT_EQ(tags[296], std::vector<uint32_t>{2});
        EXPECT_EQ(tags[282], c.x_resolution);
        const uint32_t rows_per_strip = tags[278].at(0);
        const auto& offsets = tags[273];
        const auto& counts = tags[279];
        ASSERT_EQ(offsets.size(), (uint32_t(c.height) + rows_per_strip - 1) / rows_per_strip);
        ASSERT_EQ(counts.size(), offsets.size());
        for (size_t s = 0; s < offsets.size(); ++s) {
            EXPECT_EQ(offsets[s] % 2, 0u) << "word-aligned";
            const uint32_t rows = std::min<uint32_t>(rows_per_strip, c.height - s * rows_per_strip);
            ASSERT_EQ(counts[s], rows * c.width * 3);
            for (uint32_t r = 0; r < rows; ++r)
                for (int32_t x = 0; x < c.width; x += std::max(1, c.width / 97)) {
                    const size_t at = offsets[s] + (size_t(r) * c.width + x) * 3;
                    const uint32_t rgb = tiff.b.at(at) << 16 | tiff.b.at(at + 1) << 8 | tiff.b.at(at + 2);
                    ASSERT_EQ(rgb, picture.at(x, int32_t(s * rows_per_strip + r))) << "strip " << s << " row " << r;
                }
        }
        EXPECT_EQ(sink.bytes.size(), size_t(offsets.back()) + counts.back());
        EXPECT_LE(picture.reads.front().count * c.width * 3, std::max(65536, c.width * 3)) << "one strip at a time";
    }
}

TEST(TiffWriter, RefusesWhatItCannotWriteWithoutReadingTheWholePicture) {
    test::MemoryPicture empty(0, 0, [](int32_t, int32_t) { return 0u; });
    MemorySink sink;
    EXPECT_EQ(write_tiff(empty, {}, sink), TiffResult::invalid_size);

    // Beyond the 4 GiB a classic TIFF can address: refused before any row is read.
    struct Huge final : BgrRowSource {
        int32_t width() const override { return 40000; }
        int32_t height() const override { return 40000; }
        bool read_rows(int32_t, int32_t, uint8_t*, size_t) override { return ADD_FAILURE(), false; }
    } huge;
    EXPECT_EQ(write_tiff(huge, {}, sink), TiffResult::too_large);
    EXPECT_TRUE(sink.bytes.empty());

    test::MemoryPicture picture(300, 300, [](int32_t x, int32_t) { return uint32_t(x); });
    MemorySink full;
    full.fail_after = 20000;
    EXPECT_EQ(write_tiff(picture, {}, full), TiffResult::write_failed);
}

}  // namespace
}  // namespace korvix
