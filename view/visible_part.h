// The visible part of a picture: a picture object of exactly the requested
// rectangle, black where the rectangle lies outside the picture. Its work
// and its memory grow with the rectangle, not with the picture: the
// rectangle's pixels are blitted straight from the picture's bitmap into a
// 24-bit DIB section of the rectangle's size, which a canvas keeps and fills
// again at every scroll step while the size stays. The pixels equal
// converting the whole picture to 24 bits and cropping it.
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

// The picture object the picture box shows while the view is scrolled. It
// owns its DIB section; the canvas keeps a reference and the bits' address.
class ViewportCanvas {
public:
    ViewportCanvas() = default;
    ~ViewportCanvas() { release(); }
    ViewportCanvas(const ViewportCanvas&) = delete;
    ViewportCanvas& operator=(const ViewportCanvas&) = delete;

    // The canvas's picture, now showing `part` of `picture`: the same object
    // as last time when the size is the same, else a new one. Nothing when
    // the picture is Nothing, holds no bitmap (empty, icon, metafile) or the
    // rectangle is less than 1 pixel wide or high; a new independent picture
    // (through the whole-picture conversion) when another device context
    // holds the bitmap. Throws hresult_error when GDI or OLE cannot make it.
    com_ptr<IPictureDisp> show(IPictureDisp* picture, const PixelRect& part);
    // Lets go of the canvas (the view shows something else).
    void release() noexcept;

private:
    bool fits(const PixelRect& part) const noexcept;
    void make(const PixelRect& part);

    // Memory contexts kept from step to step. The canvas stays selected into
    // its own through its picture (IPicture::SelectPicture, so whoever paints
    // the picture finds it there); a host's bitmap is selected only while a
    // step blits from it.
    unique_hdc source_dc_, target_dc_;
    com_ptr<IPictureDisp> picture_;
    std::uint8_t* bits_ = nullptr;  // of picture_'s DIB section
    std::int32_t width_ = 0, height_ = 0;
};

// The part through the whole-picture conversion: the picture loaded into a
// 24-bit buffer, cropped and turned back into a new picture object. Used when
// the picture's bitmap cannot be selected for blitting, and as the yardstick
// of the direct path.
com_ptr<IPictureDisp> cut_out_through_whole_picture(IPictureDisp* picture, const PixelRect& part);

}  // namespace korvix
