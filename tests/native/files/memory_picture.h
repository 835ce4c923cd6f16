// A picture held in memory as 24-bit rows, for the portable encoders.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "codecs/image_rows.h"

namespace korvix::test {

class MemoryPicture final : public BgrRowSource {
public:
    // colour(x, y) gives 0x00RRGGBB.
    MemoryPicture(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& colour)
        : width_(width), height_(height) {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) rgb_.push_back(colour(x, y));
    }
    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    uint32_t at(int32_t x, int32_t y) const { return rgb_[size_t(y) * width_ + x]; }
    bool read_rows(int32_t first, int32_t count, uint8_t* out, size_t out_stride) override {
        if (first < 0 || count <= 0 || first + count > height_) return false;
        reads.push_back({first, count});
        for (int32_t y = 0; y < count; ++y)
            for (int32_t x = 0; x < width_; ++x) {
                const uint32_t c = at(x, first + y);
                uint8_t* p = out + size_t(y) * out_stride + size_t(x) * 3;
                p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
            }
        return true;
    }
    struct band {
        int32_t first, count;
    };
    std::vector<band> reads;

private:
    int32_t width_, height_;
    std::vector<uint32_t> rgb_;
};

}  // namespace korvix::test
