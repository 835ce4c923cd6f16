// The TIFF writer's limits: rows too long for a strip go one a strip, a
// picture it cannot write is turned away before a row is read, and a sink that
// fails stops it. The files it writes are read back by the platform's decoder
// under Wine (tests/wine/files).
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/tiff_writer.h"

namespace korvix {
namespace {

struct GreyPicture final : BgrRowSource {
    GreyPicture(int32_t width, int32_t height) : w(width), h(height) {}
    int32_t width() const override { return w; }
    int32_t height() const override { return h; }
    bool read_rows(int32_t, int32_t count, uint8_t* out, size_t stride) override {
        for (int32_t y = 0; y < count; ++y) std::memset(out + size_t(y) * stride, 128, size_t(w) * 3);
        ++reads;
        return true;
    }
    int32_t w, h;
    int reads = 0;
};

struct LimitedSink final : ByteSink {
    explicit LimitedSink(size_t bytes) : room(bytes) {}
    bool write(const void*, size_t size) noexcept override { return size <= room && (room -= size, true); }
    size_t room;
};

TEST(TiffWriter, HandlesTheEdgesOfWhatItCanWrite) {
    struct Case {
        const char* what;
        int32_t width, height;
        size_t sink_bytes;
        TiffResult result;
        int reads;
    };
    for (const Case& c : {Case{"rows longer than a strip: one row a strip", 22000, 3, SIZE_MAX, TiffResult::written, 3},
                          Case{"empty picture", 0, 0, SIZE_MAX, TiffResult::invalid_size, 0},
                          Case{"beyond the 4 GiB a TIFF addresses", 40000, 40000, SIZE_MAX, TiffResult::too_large, 0},
                          Case{"the sink fails at the first strip", 300, 300, 20000, TiffResult::write_failed, 1}}) {
        GreyPicture picture(c.width, c.height);
        LimitedSink sink(c.sink_bytes);
        EXPECT_EQ(write_tiff(picture, {}, sink), c.result) << c.what;
        EXPECT_EQ(picture.reads, c.reads) << c.what;
    }
}

}  // namespace
}  // namespace korvix
