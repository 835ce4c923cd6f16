// Synthetic pictures for hosts and tests: 24-bit DIB sections with a known
// pattern, wrapped in picture objects that own their bitmap.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>
#include <string>

#include "common/win/unique_resource.h"

namespace korvix::hostkit {

// Colour of pixel (x, y) of the gradient test pattern (COLORREF order).
COLORREF gradient_pixel(int x, int y, int width, int height) noexcept;

// A width x height 24-bit DIB section; solid colour or the gradient pattern
// (red grows to the right, green downwards, blue in 32-pixel checks).
// Throws hresult_error on bad sizes or allocation failure.
unique_hbitmap make_solid_bitmap(int width, int height, COLORREF colour);
unique_hbitmap make_gradient_bitmap(int width, int height);

// Wraps a bitmap in a picture object that takes ownership of it.
com_ptr<IPictureDisp> picture_from_bitmap(unique_hbitmap bitmap);
// Convenience: a new owning picture of a solid or gradient bitmap.
com_ptr<IPictureDisp> make_solid_picture(int width, int height, COLORREF colour);
com_ptr<IPictureDisp> make_gradient_picture(int width, int height);
// A picture object holding a shared system icon (not owned), for MouseIcon.
com_ptr<IPictureDisp> make_icon_picture();

// The GDI handle a picture object holds (0 for an empty picture).
HANDLE picture_handle(IPictureDisp* picture);

// The resolution an image file records, as the platform's decoder reads it
// (the imaging component; COM must be initialised). False when it cannot.
bool file_resolution(const std::wstring& path, double* x, double* y);

}  // namespace korvix::hostkit
