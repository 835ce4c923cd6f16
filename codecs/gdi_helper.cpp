#include "codecs/gdi_helper.h"

namespace korvix {

void GdiHelper::set_picture(IPictureDisp* picture) {
    if (!picture) {
        bitmap_ = 0;
        return;
    }
    // The default property (DISPID 0) of a picture is its Handle.
    DISPPARAMS no_args{};
    VARIANT result;
    ::VariantInit(&result);
    HRESULT hr = picture->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &no_args,
                                 &result, nullptr, nullptr);
    if (FAILED(hr)) throw hresult_error(hr, "The picture's handle could not be read.");
    hr = ::VariantChangeType(&result, &result, 0, VT_I4);
    if (FAILED(hr)) {
        ::VariantClear(&result);
        throw hresult_error(hr, "The picture's handle is not a 32-bit integer.");
    }
    bitmap_ = V_I4(&result);
}

namespace {
BITMAP describe(LONG handle) noexcept {
    BITMAP info;
    ::ZeroMemory(&info, sizeof info);  // stays zero for no handle or not a bitmap
    const auto object = reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(handle));
    // Another kind of GDI object would fill the buffer with its own description
    // (a brush's colour would read as a width), so only bitmaps are asked.
    if (handle && ::GetObjectType(object) == OBJ_BITMAP) ::GetObjectA(object, sizeof info, &info);
    return info;
}
}  // namespace

LONG GdiHelper::get_width() const noexcept { return describe(bitmap_).bmWidth; }

ImageResolution GdiHelper::resolution() const noexcept {
    const auto object = reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(bitmap_));
    DIBSECTION dib;
    // Only a DIB section fills the whole record; other bitmaps keep no resolution.
    if (!bitmap_ || ::GetObjectType(object) != OBJ_BITMAP || ::GetObjectW(object, sizeof dib, &dib) != sizeof dib)
        return {};
    return {dpi_from_pels_per_metre(dib.dsBmih.biXPelsPerMeter), dpi_from_pels_per_metre(dib.dsBmih.biYPelsPerMeter)};
}

LONG GdiHelper::get_height() const noexcept { return describe(bitmap_).bmHeight; }

com_ptr<IPictureDisp> GdiHelper::bitmap_to_picture(HBITMAP bitmap) noexcept {
    PICTDESC desc{};
    desc.cbSizeofstruct = 12;  // size, type and the bitmap: no palette passed
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    com_ptr<IPictureDisp> picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void()))) return nullptr;
    return picture;
}

}  // namespace korvix
