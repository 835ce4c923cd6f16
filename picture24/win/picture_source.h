// Finding the bitmap behind an OLE picture reference without taking it over:
// the caller's picture and bitmap are only borrowed.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace korvix {

struct BorrowedBitmap {
    HBITMAP bitmap = nullptr;
    // The device context the picture keeps the bitmap selected into, if any
    // (IPicture::SelectPicture); GetDIBits must not read a selected bitmap.
    HDC selected_into = nullptr;
};

// The bitmap of a picture object given as IPicture, IPictureDisp or any
// IDispatch whose default property is the handle. Returns an empty result for
// a null reference, a picture that holds no bitmap (empty, icon, metafile) or
// a handle that is not a bitmap. Never changes or releases the picture.
BorrowedBitmap bitmap_of_picture(IUnknown* picture) noexcept;

}  // namespace korvix
