#include "tests/wine/hostkit/control_site.h"

#include <cmath>

namespace korvix::hostkit {
namespace {

int screen_dpi(int axis) {
    window_dc dc(nullptr);
    return dc ? ::GetDeviceCaps(dc.get(), axis) : 96;
}

}  // namespace

com_ptr<control_site> control_site::create(HWND frame, const RECT& pos, ambient_values ambients) {
    return com_ptr<control_site>::attach(new control_site(frame, pos, std::move(ambients)));
}

control_site::control_site(HWND frame, const RECT& pos, ambient_values ambients)
    : frame_(frame), pos_(pos), ambients_(std::move(ambients)) {}

control_site::~control_site() = default;

STDMETHODIMP control_site::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx)
        *out = static_cast<IOleInPlaceSiteEx*>(this);
    else if (iid == IID_IOleControlSite)
        *out = static_cast<IOleControlSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *out = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDispatch)
        *out = static_cast<IDispatch*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) control_site::AddRef() {
    ++add_refs_;
    return static_cast<ULONG>(++refs_);
}

STDMETHODIMP_(ULONG) control_site::Release() {
    ++releases_;
    const LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP control_site::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP control_site::GetContainer(IOleContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP control_site::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = frame_;
    return S_OK;
}

STDMETHODIMP control_site::OnInPlaceActivate() {
    ++activations_;
    return S_OK;
}

STDMETHODIMP control_site::OnInPlaceActivateEx(BOOL* no_redraw, DWORD) {
    if (no_redraw) *no_redraw = FALSE;
    ++activations_;
    return S_OK;
}

STDMETHODIMP control_site::OnInPlaceDeactivate() {
    ++deactivations_;
    return S_OK;
}

STDMETHODIMP control_site::OnInPlaceDeactivateEx(BOOL) {
    ++deactivations_;
    return S_OK;
}

STDMETHODIMP control_site::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, RECT* pos,
                                            RECT* clip, OLEINPLACEFRAMEINFO* info) {
    if (frame) *frame = nullptr;
    if (doc) *doc = nullptr;
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *pos = pos_;
    *clip = pos_;
    info->fMDIApp = FALSE;
    info->hwndFrame = frame_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP control_site::OnPosRectChange(const RECT* pos) {
    if (!pos) return E_POINTER;
    pos_ = *pos;
    return S_OK;
}

STDMETHODIMP control_site::GetExtendedControl(IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP control_site::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
    if (!himetric || !container) return E_POINTER;
    const double dx = screen_dpi(LOGPIXELSX), dy = screen_dpi(LOGPIXELSY);
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = static_cast<float>(himetric->x * dx / 2540.0);
        container->y = static_cast<float>(himetric->y * dy / 2540.0);
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        himetric->x = std::lround(container->x * 2540.0 / dx);
        himetric->y = std::lround(container->y * 2540.0 / dy);
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

STDMETHODIMP control_site::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) {
    // Not kept: holding it would tie the control's lifetime to the frame's.
    ++active_object_calls_;
    return S_OK;
}

STDMETHODIMP control_site::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP control_site::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP control_site::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO*, UINT*) {
    ambients_asked_.push_back(id);
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!result) return E_POINTER;
    ::VariantInit(result);
    auto set_bool = [result](bool b) {
        result->vt = VT_BOOL;
        result->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    };
    switch (id) {
    case DISPID_AMBIENT_USERMODE: set_bool(ambients_.user_mode); return S_OK;
    case DISPID_AMBIENT_MESSAGEREFLECT: set_bool(ambients_.message_reflect); return S_OK;
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_UIDEAD: set_bool(false); return S_OK;
    case DISPID_AMBIENT_SUPPORTSMNEMONICS: set_bool(true); return S_OK;
    case DISPID_AMBIENT_BACKCOLOR:
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(ambients_.back_color);
        return S_OK;
    case DISPID_AMBIENT_FORECOLOR:
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(ambients_.fore_color);
        return S_OK;
    case DISPID_AMBIENT_LOCALEID:
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(ambients_.locale);
        return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
        result->vt = VT_BSTR;
        result->bstrVal = ::SysAllocString(ambients_.display_name.c_str());
        return result->bstrVal ? S_OK : E_OUTOFMEMORY;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace korvix::hostkit
