// Drawing a picture object at its natural size from a DC's origin.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "common/win/unique_resource.h"

namespace korvix {

// Fills client (pixels) with the back colour, then draws picture (may be
// empty or Nothing) at its natural size from the top-left, clipped to client.
void paint_picture_on_background(HDC dc, const RECT& client, COLORREF back, IPictureDisp* picture) noexcept;

// An OLE colour as a GDI colour; false for an invalid system colour index.
bool translate_ole_color(OLE_COLOR color, COLORREF& out) noexcept;

}  // namespace korvix
