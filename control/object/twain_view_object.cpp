// IViewObject2: drawing the control into a container's device context.
#include "control/object/twain_control.h"

namespace korvix {

HRESULT TwainControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                           BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) noexcept {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    const RECT r = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    return com_boundary(IID_IViewObject, [&] {
        view_->draw(dc, r);
        return S_OK;
    });
}

HRESULT TwainControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) noexcept {
    if (colors) *colors = nullptr;
    return S_FALSE;  // no particular palette
}

HRESULT TwainControl::Freeze(DWORD, LONG, void*, DWORD* freeze) noexcept {
    if (freeze) *freeze = 0;
    return E_NOTIMPL;
}

HRESULT TwainControl::Unfreeze(DWORD) noexcept { return E_NOTIMPL; }

HRESULT TwainControl::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) noexcept {
    view_sink_ = com_ptr<IAdviseSink>(sink);
    view_sink_aspects_ = aspects;
    view_sink_flags_ = advf;
    if (sink && (advf & ADVF_PRIMEFIRST)) view_changed();
    return S_OK;
}

HRESULT TwainControl::GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) noexcept {
    if (aspects) *aspects = view_sink_aspects_;
    if (advf) *advf = view_sink_flags_;
    if (sink) {
        *sink = nullptr;
        view_sink_.copy_to(sink);
    }
    return S_OK;
}

HRESULT TwainControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) noexcept {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

}  // namespace korvix
