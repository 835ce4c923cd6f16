// Palette pictures for GIF: exact for up to 256 colours, a close median-cut
// palette beyond.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "codecs/palette_quantizer.h"
#include "tests/native/files/memory_picture.h"

namespace korvix {
namespace {

double mean_error(const test::MemoryPicture& picture, const PalettePicture& indexed) {
    double total = 0;
    for (int32_t y = 0; y < picture.height(); ++y)
        for (int32_t x = 0; x < picture.width(); ++x) {
            const uint32_t a = picture.at(x, y), b = indexed.palette.at(indexed.indices[y * indexed.stride + x]);
            for (int s = 0; s < 24; s += 8) total += std::abs(int(a >> s & 255) - int(b >> s & 255));
        }
    return total / (3.0 * picture.width() * picture.height());
}

TEST(PaletteQuantizer, KeepsEveryColourOfPicturesWithAtMost256) {
    // 1 colour; exactly 256 colours (scattered over the cube, every pixel
    // unique within a row, odd width so the index rows are padded).
    for (int colours : {1, 256}) {
        test::MemoryPicture picture(37, 29, [&](int32_t x, int32_t y) {
            const uint32_t k = uint32_t(x + y * 37) % colours;
            return (k * 2654435761u) & 0xFFFFFF;
        });
        PalettePicture indexed;
        ASSERT_EQ(quantize_to_palette(picture, indexed), QuantizeResult::done);
        EXPECT_TRUE(indexed.exact);
        EXPECT_EQ(indexed.palette.size(), size_t(colours));
        EXPECT_EQ(indexed.stride, 40u);
        EXPECT_EQ(mean_error(picture, indexed), 0.0);
    }
}

TEST(PaletteQuantizer, GivesManyColouredPicturesAClose256ColourPalette) {
    // A smooth photograph-like gradient of thousands of colours.
    test::MemoryPicture picture(256, 200, [](int32_t x, int32_t y) {
        return uint32_t(x) << 16 | uint32_t(y + 28) << 8 | uint32_t((x + y) / 2);
    });
    PalettePicture indexed;
    ASSERT_EQ(quantize_to_palette(picture, indexed), QuantizeResult::done);
    EXPECT_FALSE(indexed.exact);
    EXPECT_EQ(indexed.palette.size(), 256u);
    EXPECT_EQ(std::set<uint32_t>(indexed.palette.begin(), indexed.palette.end()).size(), 256u) << "no wasted entries";
    EXPECT_LT(mean_error(picture, indexed), 4.0);
}

TEST(PaletteQuantizer, RefusesEmptyAndUnreadablePictures) {
    PalettePicture indexed;
    test::MemoryPicture empty(0, 5, [](int32_t, int32_t) { return 0u; });
    EXPECT_EQ(quantize_to_palette(empty, indexed), QuantizeResult::invalid_size);
    struct Broken final : BgrRowSource {
        int32_t width() const override { return 4; }
        int32_t height() const override { return 4; }
        bool read_rows(int32_t, int32_t, uint8_t*, size_t) override { return false; }
    } broken;
    EXPECT_EQ(quantize_to_palette(broken, indexed), QuantizeResult::read_failed);
}

}  // namespace
}  // namespace korvix
