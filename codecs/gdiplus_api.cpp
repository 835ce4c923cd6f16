#include "codecs/gdiplus_api.h"

namespace korvix {

const GdiplusApi& system_gdiplus() noexcept {
    using namespace Gdiplus::DllExports;
    static const GdiplusApi api = {
        &Gdiplus::GdiplusStartup,       &Gdiplus::GdiplusShutdown, &GdipCreateBitmapFromHBITMAP,
        &GdipCreateBitmapFromScan0,     &GdipSetImagePalette,      &GdipBitmapSetResolution,
        &GdipSaveImageToFile,           &GdipDisposeImage,
    };
    return api;
}

GdiplusSession::GdiplusSession(const GdiplusApi& api) noexcept : api_(api) {
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, nothing suppressed
    status_ = api_.startup(&token_, &input, nullptr);
}

GdiplusSession::~GdiplusSession() {
    if (status_ == Gdiplus::Ok) api_.shutdown(token_);
}

void GdiplusBitmap::reset() noexcept {
    if (bitmap_) api_.dispose_image(bitmap_);
    bitmap_ = nullptr;
}

}  // namespace korvix
