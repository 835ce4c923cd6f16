#include "picture24/win/picture_conversion.h"

#include <cstring>

#include "picture24/win/dib_header.h"
#include "picture24/win/picture_source.h"

namespace korvix {
namespace {

// Reads through the context the bitmap is selected into: blit it into a
// 24-bit DIB section of our own and copy that section's rows.
bool read_selected(Picture24& picture, HDC source, const BITMAPINFO& info) {
    void* bits = nullptr;
    unique_hbitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    if (!dib || !bits || !dc) return false;
    {
        select_scope selected(dc.get(), dib.get());
        if (!selected.ok()) return false;
        if (!::BitBlt(dc.get(), 0, 0, picture.width(), picture.height(), source, 0, 0, SRCCOPY)) return false;
        ::GdiFlush();
    }
    std::memcpy(picture.data(), bits, picture.size_bytes());
    return true;
}

// GetDIBits converts any depth to our rows; the bitmap stays unselected and
// untouched (the memory context only supplies the default palette).
bool read_unselected(Picture24& picture, HBITMAP bitmap, BITMAPINFO info) {
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return false;
    const int rows = picture.height();
    if (::GetDIBits(dc.get(), bitmap, 0, UINT(rows), picture.data(), &info, DIB_RGB_COLORS) == rows) return true;
    // A bitmap held selected elsewhere may refuse GetDIBits; a copy of it
    // never is selected.
    unique_hbitmap copy(static_cast<HBITMAP>(::CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
    if (!copy || copy.get() == bitmap) {
        copy.release();
        return false;
    }
    return ::GetDIBits(dc.get(), copy.get(), 0, UINT(rows), picture.data(), &info, DIB_RGB_COLORS) == rows;
}

}  // namespace

bool load_bitmap(Picture24& picture, HBITMAP bitmap, HDC selected_into) {
    picture.clear();
    if (!bitmap || ::GetObjectType(bitmap) != OBJ_BITMAP) return false;
    BITMAP bm{};
    if (::GetObjectW(bitmap, sizeof(bm), &bm) != int(sizeof(bm))) return false;
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || bm.bmBitsPixel < 1) return false;

    const BITMAPINFO info = dib_header24(bm.bmWidth, bm.bmHeight);  // validates the size first
    picture.create(bm.bmWidth, bm.bmHeight);
    const bool read = selected_into ? read_selected(picture, selected_into, info)
                                    : read_unselected(picture, bitmap, info);
    // A black picture that merely looks loaded would hide the failure.
    if (!read) picture.clear();
    return read;
}

bool set_picture(Picture24& picture, IUnknown* source) {
    picture.clear();
    const BorrowedBitmap found = bitmap_of_picture(source);
    if (!found.bitmap) return false;
    return load_bitmap(picture, found.bitmap, found.selected_into);
}

unique_hbitmap make_dib_section(const Picture24& picture) {
    if (picture.empty()) return unique_hbitmap();
    const BITMAPINFO info = dib_header24(picture.width(), picture.height());
    void* bits = nullptr;
    unique_hbitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) throw hresult_error(E_OUTOFMEMORY, "The picture's bitmap could not be created.");
    std::memcpy(bits, picture.data(), picture.size_bytes());
    ::GdiFlush();
    return dib;
}

com_ptr<IPictureDisp> get_picture(const Picture24& picture) {
    if (picture.empty()) return nullptr;
    return bitmap_to_picture(make_dib_section(picture));
}

com_ptr<IPictureDisp> bitmap_to_picture(unique_hbitmap bitmap) {
    if (!bitmap) return nullptr;
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap.get();
    desc.bmp.hpal = nullptr;
    com_ptr<IPictureDisp> result;
    const HRESULT hr = ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, result.put_void());
    if (FAILED(hr) || !result) throw hresult_error(FAILED(hr) ? hr : E_UNEXPECTED, "The picture object could not be created.");
    bitmap.release();  // the picture owns it now
    return result;
}

}  // namespace korvix
