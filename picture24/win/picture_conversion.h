// Conversions between the portable 24-bit picture and GDI bitmaps / OLE
// picture objects. The picture's rows are exactly a top-down 24-bit DIB, so
// both directions are a single GDI read or a single memory copy.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "common/win/unique_resource.h"
#include "picture24/picture24.h"

namespace korvix {

// Empties `picture`, then loads the pixels of a picture object (IPicture,
// IPictureDisp, or an IDispatch whose default property is a bitmap handle).
// A null reference, an empty picture, an icon or an unreadable bitmap leave
// it empty and return false. The caller's picture and bitmap are only read.
// Throws picture24_error (too_large, out_of_memory) for a bitmap the picture
// cannot hold; the picture is then empty.
bool set_picture(Picture24& picture, IUnknown* source);

// Empties `picture`, then loads a borrowed bitmap of any depth GDI reads.
// selected_into names the device context the bitmap is selected into, if
// any: it is then read through that context instead of GetDIBits.
bool load_bitmap(Picture24& picture, HBITMAP bitmap, HDC selected_into = nullptr);

// A new top-down 24-bit DIB section holding a copy of the pixels; empty for
// an empty picture. Throws hresult_error when GDI cannot create it.
unique_hbitmap make_dib_section(const Picture24& picture);

// A new picture object that owns a new bitmap with the pixels; empty for an
// empty picture. Every call gives an independent object. Throws hresult_error.
com_ptr<IPictureDisp> get_picture(const Picture24& picture);

// Wraps a bitmap in a picture object that owns it (deletes it on its last
// release). Takes ownership in every case: if OLE refuses, the bitmap is
// deleted and hresult_error is thrown. A null bitmap gives an empty result.
com_ptr<IPictureDisp> bitmap_to_picture(unique_hbitmap bitmap);
inline com_ptr<IPictureDisp> bitmap_to_picture(HBITMAP owned) {
    return bitmap_to_picture(unique_hbitmap(owned));
}

}  // namespace korvix
