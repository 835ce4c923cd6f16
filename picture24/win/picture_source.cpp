#include "picture24/win/picture_source.h"

#include <olectl.h>

#include "common/handle_bits.h"
#include "common/win/unique_resource.h"

namespace korvix {
namespace {

// The default property (DISPID 0) of an automation picture is its handle.
HANDLE handle_from_dispatch(IDispatch* dispatch) noexcept {
    DISPPARAMS none{};
    VARIANT result;
    ::VariantInit(&result);
    if (FAILED(dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                &result, nullptr, nullptr)))
        return nullptr;
    HANDLE handle = nullptr;
    if (SUCCEEDED(::VariantChangeType(&result, &result, 0, VT_I4)))
        handle = handle_from_long<HANDLE>(V_I4(&result));
    ::VariantClear(&result);
    return handle;
}

}  // namespace

BorrowedBitmap bitmap_of_picture(IUnknown* picture) noexcept {
    BorrowedBitmap out;
    if (!picture) return out;

    HANDLE handle = nullptr;
    com_ptr<IPicture> pic;
    if (SUCCEEDED(picture->QueryInterface(IID_IPicture, pic.put_void())) && pic) {
        // The picture knows its kind: only a bitmap picture has pixels to read.
        SHORT type = PICTYPE_UNINITIALIZED;
        OLE_HANDLE raw = 0;
        if (FAILED(pic->get_Type(&type)) || type != PICTYPE_BITMAP) return out;
        if (FAILED(pic->get_Handle(&raw))) return out;
        handle = handle_from_ole<HANDLE>(raw);
        HDC current = nullptr;
        if (SUCCEEDED(pic->get_CurDC(&current))) out.selected_into = current;
    } else {
        com_ptr<IDispatch> dispatch;
        if (FAILED(picture->QueryInterface(IID_IDispatch, dispatch.put_void())) || !dispatch) return out;
        handle = handle_from_dispatch(dispatch.get());
    }
    if (!handle || ::GetObjectType(handle) != OBJ_BITMAP) {
        out.selected_into = nullptr;
        return out;
    }
    out.bitmap = static_cast<HBITMAP>(handle);
    return out;
}

}  // namespace korvix
