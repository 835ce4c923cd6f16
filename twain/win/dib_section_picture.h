// A transferred image as a new picture object that owns a new DIB section:
// the pixels are copied once, straight from the source's memory into the
// section, converted where the bitmap's form differs (dib_rows.h). Nothing
// goes through a file.
//
// The section's header records the image's resolution in biXPelsPerMeter
// and biYPelsPerMeter: the DIB's own where it states one, else the fallback
// (the resolution sent to the source), else 0.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>

#include "common/win/unique_resource.h"
#include "twain/dib_layout.h"

namespace korvix::twain {

struct PelsPerMeter {
    std::int32_t x = 0, y = 0;
};

// dib: a packed DIB that check_dib() accepted as layout, readable for the
// whole call. Empty when the section or the picture cannot be made.
com_ptr<IPictureDisp> picture_from_dib(const std::uint8_t* dib, const DibLayout& layout,
                                       PelsPerMeter fallback) noexcept;

// A bitmap a source handed over (a DIB section or a device bitmap), as a new
// 24-bit picture: GetDIBits writes it straight into the new section, in the
// right row order whichever the bitmap has (a section's header does not tell
// it). The bitmap is left as it was. stated: the resolution a DIB section
// records (0 where it records none). Empty when the bitmap cannot be read or
// the picture cannot be made.
com_ptr<IPictureDisp> picture_from_bitmap(HBITMAP bitmap, PelsPerMeter fallback, PelsPerMeter& stated) noexcept;

// A picture object that owns the bitmap from now on; empty when OLE refuses
// (the bitmap is then deleted here).
com_ptr<IPictureDisp> owning_picture(unique_hbitmap bitmap) noexcept;

}  // namespace korvix::twain
