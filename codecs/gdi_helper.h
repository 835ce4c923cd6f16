// cGDI's bitmap and picture helpers: which bitmap the codecs work on, its
// size in pixels, and wrapping a bitmap in a picture object that owns it.
// The helper never owns the bitmap behind the handle it is given.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "common/win/unique_resource.h"

namespace korvix {

class GdiHelper {
public:
    void set_bitmap_handle(LONG handle) noexcept { bitmap_ = handle; }
    // Nothing selects no bitmap. Otherwise reads the picture's default
    // property (its Handle) through IDispatch; a value that does not convert
    // to a 32-bit integer throws hresult_error with the conversion failure.
    void set_picture(IPictureDisp* picture);
    LONG bitmap_handle() const noexcept { return bitmap_; }
    // 0 for no handle or a handle that is not a bitmap.
    LONG get_width() const noexcept;
    LONG get_height() const noexcept;
    // A new picture object owning the bitmap; empty when OLE refuses.
    static com_ptr<IPictureDisp> bitmap_to_picture(HBITMAP bitmap) noexcept;

private:
    LONG bitmap_ = 0;
};

}  // namespace korvix
