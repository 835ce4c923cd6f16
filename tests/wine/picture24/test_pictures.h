// Synthetic source bitmaps for the picture conversion tests: DIB sections of
// every depth with known colours, device-dependent bitmaps, OLE picture
// wrappers, and an independent 24-bit reader used as the oracle.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>
#include <vector>

#include "common/win/unique_resource.h"

namespace korvix::test {

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
    bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
    bool operator!=(const Bgr& o) const { return !(*this == o); }
};

// The colour the synthetic pattern gives pixel (x, y) for a source of the
// given depth; paletted depths cycle through their colour table.
Bgr pattern_colour(int bits_per_pixel, int x, int y);

// A DIB section of the given depth whose pixels follow pattern_colour.
// top_down selects a negative biHeight. 16 bpp is 5-5-5; 32 bpp is BGRX.
unique_hbitmap make_pattern_dib(int width, int height, int bits_per_pixel, bool top_down);

// A device-dependent bitmap compatible with the screen, filled with the
// 24-bit pattern.
unique_hbitmap make_pattern_ddb(int width, int height);

// A monochrome device-dependent bitmap: pixel (x, y) is white when
// (x + y) is even.
unique_hbitmap make_checker_mono_ddb(int width, int height);

// Wraps a bitmap in an OLE picture; with own the picture deletes it.
com_ptr<IPictureDisp> wrap_bitmap(HBITMAP bitmap, bool own);

// An OLE picture that holds nothing (handle 0), and one holding an icon.
com_ptr<IPictureDisp> make_empty_picture();
com_ptr<IPictureDisp> make_icon_picture();

// The bitmap handle behind an OLE picture (0 when none).
HBITMAP picture_handle(IPictureDisp* picture);

// Reads any bitmap back as top-down 24-bit pixels, row-major, no padding.
// Returns an empty vector when the platform refuses.
struct Pixels24 {
    int width = 0;
    int height = 0;
    std::vector<Bgr> pixels;
    const Bgr& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
Pixels24 read_bitmap24(HBITMAP bitmap);

}  // namespace korvix::test
