// Reads any GDI bitmap (DIB section or device-dependent, any depth) as 24-bit
// rows, band by band, so an encoder never needs a second copy of the whole
// picture. GDI does the conversion and knows the bitmap's row order.
#pragma once

#include <windows.h>

#include <vector>

#include "codecs/image_rows.h"
#include "common/win/unique_resource.h"

namespace korvix {

class BitmapRows final : public BgrRowSource {
public:
    // Borrows the bitmap. Width and height read 0 when the handle is not a bitmap.
    explicit BitmapRows(HBITMAP bitmap);
    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    bool read_rows(int32_t first, int32_t count, uint8_t* out, size_t out_stride) override;

private:
    HBITMAP bitmap_;
    int32_t width_ = 0, height_ = 0;
    unique_hdc dc_;
    std::vector<uint8_t> band_;
};

}  // namespace korvix
