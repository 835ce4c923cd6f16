// The loader's checks of image files, on files built byte by byte: every
// kind of valid file it must keep decoding is accepted with its size, every
// damaged or lying file gets the refusal of the rule it breaks, and the
// boundaries of the data rules and the picture limits sit where they say.
#include <gtest/gtest.h>

#include "codecs/checks/gif_check.h"
#include "codecs/checks/picture_limits.h"
#include "tests/image_files/image_files.h"

namespace korvix {
namespace {

using testfiles::Bytes;

ImageCheck check(const Bytes& b) { return check_image_file(b.data(), b.size()); }

TEST(ImageCheck, EveryValidKindIsAcceptedWithItsSize) {
    std::vector<testfiles::TestFile> files = testfiles::valid_files();
    files.push_back(testfiles::cursor_file());
    for (const testfiles::TestFile& file : files) {
        const ImageCheck image = check(file.bytes);
        ASSERT_TRUE(image.accepted()) << file.name << ": " << describe(image.refusal);
        EXPECT_EQ(image.width, file.shows.width) << file.name;
        EXPECT_EQ(image.height, file.shows.height) << file.name;
        EXPECT_LE(image.decode_length, file.bytes.size()) << file.name;
    }
}

TEST(ImageCheck, EachHostileFileIsRefusedByItsRule) {
    for (const testfiles::HostileFile& file : testfiles::hostile_files()) {
        const ImageCheck image = check(file.bytes);
        EXPECT_EQ(image.refusal, file.refusal) << file.name << ": " << describe(image.refusal);
        EXPECT_EQ(image.decode_length, 0u) << file.name;
    }
}

// The decoder gets a GIF only up to the end of its first frame, with a
// trailer: what it gets is a GIF of one frame that passes the same checks.
TEST(ImageCheck, AGifIsCutAfterItsFirstFrame) {
    const struct {
        testfiles::TestFile file;
        bool cut;
    } cases[] = {
        {testfiles::gif_file(40, 30, {{0, 0, 40, 30}}), false},
        {testfiles::gif_file(200, 150, {{0, 0, 200, 150}, {10, 20, 50, 40}}), true},
        {testfiles::gif_with_lying_second_frame(), true},
    };
    for (const auto& c : cases) {
        const Bytes& bytes = c.file.bytes;
        const ImageCheck image = check(bytes);
        ASSERT_TRUE(image.accepted()) << c.file.name;
        EXPECT_EQ(image.decode_length < bytes.size(), c.cut) << c.file.name;
        Bytes first(bytes.begin(), bytes.begin() + std::ptrdiff_t(image.decode_length));
        if (image.append_trailer) first.push_back(';');
        EXPECT_EQ(first.back(), ';') << c.file.name;
        const ImageCheck again = check(first);
        EXPECT_TRUE(again.accepted() && again.decode_length == first.size() && !again.append_trailer) << c.file.name;
        EXPECT_EQ(std::pair(again.width, again.height), std::pair(image.width, image.height)) << c.file.name;
    }
}

// The LZW count is exact: one row more than the data holds is refused,
// also where the code table fills and is cleared.
TEST(ImageCheck, AGifFrameMustHoldEveryRowItClaims) {
    for (std::uint32_t side : {8u, 150u}) {
        Bytes gif = testfiles::gif_file(side + 50, side, {{0, 0, side + 50, side}}).bytes;
        const std::size_t frame = testfiles::gif_first_image(gif);
        testfiles::put16le(gif, 8, side + 1);
        EXPECT_TRUE(check(gif).accepted()) << side << " rows, a taller screen";
        testfiles::put16le(gif, frame + 7, side + 1);
        EXPECT_EQ(check(gif).refusal, FileRefusal::short_data) << side + 1 << " rows claimed";
    }
}

// Deflate's bound decides: 1,000 x 1,000 grey rows are 1,001,000 filtered
// bytes, 1,001,875 when interlaced (each pass's rows have filter bytes).
TEST(ImageCheck, PngDataMustReachItsRowsAtTheDeflateBound) {
    const struct {
        bool interlaced;
        std::size_t least;
    } cases[] = {{false, 970}, {true, 971}};
    for (const auto& c : cases) {
        EXPECT_TRUE(check(testfiles::png_claiming(1000, 1000, 0, 8, c.least, c.interlaced)).accepted());
        EXPECT_EQ(check(testfiles::png_claiming(1000, 1000, 0, 8, c.least - 1, c.interlaced)).refusal,
                  FileRefusal::short_data);
    }
}

TEST(ImageCheck, PictureLimitsFollowTheModulesPointerSize) {
    EXPECT_EQ(kMaxBitmapBytes, sizeof(void*) == 4 ? 1ull << 30 : 3ull << 29);
    const std::uint64_t width = 4096, row = width * 3;  // rows need no padding
    const std::uint64_t rows_at_cap = kMaxBitmapBytes / row;
    const struct {
        std::uint64_t width, height;
        bool fits;
    } cases[] = {
        {width, rows_at_cap - 1, true},  {width, rows_at_cap + 1, false}, {kMaxPictureSide, 1, true},
        {kMaxPictureSide + 1, 1, false}, {1, kMaxPictureSide + 1, false}, {0, 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fits_picture_limits(c.width, c.height), c.fits) << c.width << " x " << c.height;
}

}  // namespace
}  // namespace korvix
