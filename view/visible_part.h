// The visible part of a picture: a new picture object of exactly the
// requested rectangle, black where the rectangle lies outside the picture.
// Its work and its memory grow with the rectangle, not with the picture: the
// rectangle's pixels are blitted straight from the picture's bitmap into a
// 24-bit DIB section of the rectangle's size. The pixels equal converting the
// whole picture to 24 bits and cropping it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>

#include "common/win/unique_resource.h"

namespace korvix {

struct PixelRect {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
};

// Nothing when the picture is Nothing, holds no bitmap (empty, icon,
// metafile) or the rectangle is less than 1 pixel wide or high. Throws
// hresult_error when GDI or OLE cannot make the result.
com_ptr<IPictureDisp> cut_out_visible_part(IPictureDisp* picture, const PixelRect& part);

// The same through the whole-picture conversion: the picture loaded into a
// 24-bit buffer, cropped and turned back into a picture object. Used when the
// picture's bitmap cannot be selected for blitting (another device context
// holds it), and as the yardstick of the direct path.
com_ptr<IPictureDisp> cut_out_through_whole_picture(IPictureDisp* picture, const PixelRect& part);

}  // namespace korvix
