// The GDI+ flat functions cGDI's save uses, reached through one table so a
// test can stand between the codec and GDI+ (to record what the encoder is
// handed) while the real functions still do the work. A session starts GDI+
// and always shuts it down again; an image is always disposed of.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace korvix {

struct GdiplusApi {
    decltype(&Gdiplus::GdiplusStartup) startup;
    decltype(&Gdiplus::GdiplusShutdown) shutdown;
    decltype(&Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP) create_bitmap_from_hbitmap;
    decltype(&Gdiplus::DllExports::GdipCreateBitmapFromScan0) create_bitmap_from_scan0;
    decltype(&Gdiplus::DllExports::GdipSetImagePalette) set_image_palette;
    decltype(&Gdiplus::DllExports::GdipBitmapSetResolution) set_resolution;
    decltype(&Gdiplus::DllExports::GdipSaveImageToFile) save_image_to_file;
    decltype(&Gdiplus::DllExports::GdipDisposeImage) dispose_image;
};

// gdiplus.dll's own functions.
const GdiplusApi& system_gdiplus() noexcept;

// GdiplusStartup (version 1, background thread and external codecs allowed,
// no start-up output) / GdiplusShutdown.
class GdiplusSession {
public:
    explicit GdiplusSession(const GdiplusApi& api) noexcept;
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    Gdiplus::Status status() const noexcept { return status_; }

private:
    const GdiplusApi& api_;
    ULONG_PTR token_ = 0;
    Gdiplus::Status status_;
};

// One GDI+ bitmap, disposed of when the owner goes.
class GdiplusBitmap {
public:
    explicit GdiplusBitmap(const GdiplusApi& api) noexcept : api_(api) {}
    ~GdiplusBitmap() { reset(); }
    GdiplusBitmap(const GdiplusBitmap&) = delete;
    GdiplusBitmap& operator=(const GdiplusBitmap&) = delete;
    Gdiplus::GpBitmap* get() const noexcept { return bitmap_; }
    Gdiplus::GpBitmap** put() noexcept {
        reset();
        return &bitmap_;
    }
    void reset() noexcept;

private:
    const GdiplusApi& api_;
    Gdiplus::GpBitmap* bitmap_ = nullptr;
};

}  // namespace korvix
