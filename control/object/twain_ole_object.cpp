// Embedding and in-place activation: the control as an OLE object inside a
// container's window.
#include "control/object/twain_control.h"

namespace korvix {

namespace {

// HIMETRIC <-> screen pixels at the display's resolution.
SIZE himetric_to_pixels(const SIZEL& him) {
    window_dc screen(nullptr);
    const int dx = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
    const int dy = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return {::MulDiv(him.cx, dx, 2540), ::MulDiv(him.cy, dy, 2540)};
}

SIZEL pixels_to_himetric(LONG cx, LONG cy) {
    window_dc screen(nullptr);
    const int dx = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
    const int dy = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return {::MulDiv(cx, 2540, dx), ::MulDiv(cy, 2540, dy)};
}

}  // namespace

// ---- ambient properties ---------------------------------------------------------

void TwainControl::read_ambient_properties() noexcept {
    user_mode_ = true;  // a container without ambients is running its program
    com_ptr<IDispatch> ambients = client_site_.query<IDispatch>(IID_IDispatch);
    if (!ambients) return;
    DISPPARAMS none{};
    VARIANT value;
    ::VariantInit(&value);
    if (SUCCEEDED(ambients->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                   &none, &value, nullptr, nullptr)) &&
        SUCCEEDED(::VariantChangeType(&value, &value, 0, VT_BOOL)))
        user_mode_ = V_BOOL(&value) != VARIANT_FALSE;
    ::VariantClear(&value);
}

// ---- IOleObject ------------------------------------------------------------------

HRESULT TwainControl::SetClientSite(IOleClientSite* site) noexcept {
    if (site == client_site_.get()) return S_OK;
    // Leaving a site (for another one or for none) ends activation there first.
    if (in_place_active_) InPlaceDeactivate();
    client_site_ = com_ptr<IOleClientSite>(site);
    if (client_site_) read_ambient_properties();
    return S_OK;
}

HRESULT TwainControl::GetClientSite(IOleClientSite** site) noexcept {
    if (!site) return E_POINTER;
    *site = nullptr;
    return client_site_.copy_to(site);
}

HRESULT TwainControl::SetHostNames(LPCOLESTR, LPCOLESTR) noexcept { return S_OK; }

HRESULT TwainControl::Close(DWORD save_option) noexcept {
    com_ptr<IUnknown> keep_alive(identity());
    InPlaceDeactivate();
    if (dirty_ && client_site_ &&
        (save_option == OLECLOSE_SAVEIFDIRTY || save_option == OLECLOSE_PROMPTSAVE))
        client_site_->SaveObject();
    if (advise_holder_) advise_holder_->SendOnClose();
    // Break every reference cycle with the container.
    advise_holder_ = nullptr;
    view_sink_ = nullptr;
    client_site_ = nullptr;
    return S_OK;
}

HRESULT TwainControl::SetMoniker(DWORD, IMoniker*) noexcept { return E_NOTIMPL; }

HRESULT TwainControl::GetMoniker(DWORD, DWORD, IMoniker** mk) noexcept {
    if (mk) *mk = nullptr;
    return E_NOTIMPL;
}

HRESULT TwainControl::InitFromData(IDataObject*, BOOL, DWORD) noexcept { return E_NOTIMPL; }

HRESULT TwainControl::GetClipboardData(DWORD, IDataObject** data) noexcept {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT TwainControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT pos) noexcept {
    if (site && !client_site_) SetClientSite(site);
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
        return activate_in_place(true);
    case OLEIVERB_INPLACEACTIVATE:
        return activate_in_place(false);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (view_) ::ShowWindow(view_->surface_hwnd(), SW_HIDE);
        return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_PROPERTIES:
        return E_NOTIMPL;
    default:
        if (verb > 0) {
            const HRESULT hr = activate_in_place(true);
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
}

HRESULT TwainControl::activate_in_place(bool ui_activate) noexcept {
    if (!client_site_) return E_UNEXPECTED;
    com_ptr<IUnknown> keep_alive(identity());
    if (!in_place_active_) {
        com_ptr<IOleInPlaceSite> site = client_site_.query<IOleInPlaceSite>(IID_IOleInPlaceSite);
        if (!site) return E_NOINTERFACE;
        if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
        // A site that knows about redraw-free activation hears it that way.
        com_ptr<IOleInPlaceSiteEx> site_ex = site.query<IOleInPlaceSiteEx>(IID_IOleInPlaceSiteEx);
        if (site_ex) {
            BOOL no_redraw = FALSE;
            KORVIX_RETURN_IF_FAILED(site_ex->OnInPlaceActivateEx(&no_redraw, 0));
        } else {
            KORVIX_RETURN_IF_FAILED(site->OnInPlaceActivate());
        }
        in_place_site_ = site;
        in_place_active_ = true;

        HWND parent = nullptr;
        RECT pos{}, clip{};
        OLEINPLACEFRAMEINFO frame_info{};
        frame_info.cb = sizeof(frame_info);
        HRESULT hr = site->GetWindow(&parent);
        if (SUCCEEDED(hr))
            hr = site->GetWindowContext(frame_.put(), ui_window_.put(), &pos, &clip, &frame_info);
        if (SUCCEEDED(hr) && !parent) hr = E_FAIL;
        if (SUCCEEDED(hr)) {
            hr = com_boundary(IID_IOleObject, [&] {
                view_->attach(parent, pos);
                return S_OK;
            });
        }
        if (FAILED(hr)) {
            in_place_active_ = false;
            if (site_ex)
                site_ex->OnInPlaceDeactivateEx(TRUE);
            else
                site->OnInPlaceDeactivate();
            release_in_place_objects();
            return hr;
        }
        pos_rect_ = pos;
        extent_ = pixels_to_himetric(pos.right - pos.left, pos.bottom - pos.top);
        parent_watch_.start(view_->surface_hwnd());
    } else if (view_) {
        ::ShowWindow(view_->surface_hwnd(), SW_SHOWNA);
    }
    if (ui_activate && !ui_active_) {
        ui_active_ = true;
        com_ptr<IOleInPlaceSite> site = in_place_site_;
        site->OnUIActivate();
        IOleInPlaceActiveObject* active = this;
        if (frame_) {
            frame_->SetActiveObject(active, nullptr);
            frame_->SetBorderSpace(nullptr);
        }
        if (ui_window_) {
            ui_window_->SetActiveObject(active, nullptr);
            ui_window_->SetBorderSpace(nullptr);
        }
        if (view_ && ::GetFocus() != view_->surface_hwnd()) ::SetFocus(view_->surface_hwnd());
    }
    return S_OK;
}

void TwainControl::release_in_place_objects() noexcept {
    parent_watch_.stop();
    frame_ = nullptr;
    ui_window_ = nullptr;
    in_place_site_ = nullptr;
    ui_active_ = false;
    in_place_active_ = false;
}

HRESULT TwainControl::EnumVerbs(IEnumOLEVERB** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return ::OleRegEnumVerbs(CLSID_Twain, out);
}

HRESULT TwainControl::Update() noexcept { return S_OK; }
HRESULT TwainControl::IsUpToDate() noexcept { return S_OK; }

HRESULT TwainControl::GetUserClassID(CLSID* clsid) noexcept {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_Twain;
    return S_OK;
}

HRESULT TwainControl::GetUserType(DWORD form, LPOLESTR* type) noexcept {
    if (!type) return E_POINTER;
    *type = nullptr;
    return ::OleRegGetUserType(CLSID_Twain, form, type);
}

HRESULT TwainControl::SetExtent(DWORD aspect, SIZEL* size) noexcept {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
    extent_ = *size;
    const SIZE px = himetric_to_pixels(extent_);
    if (in_place_active_ && in_place_site_) {
        // The container decides the new rectangle and calls SetObjectRects.
        RECT want = {pos_rect_.left, pos_rect_.top, pos_rect_.left + px.cx, pos_rect_.top + px.cy};
        in_place_site_->OnPosRectChange(&want);
        return S_OK;
    }
    return com_boundary(IID_IOleObject, [&] {
        view_->set_size_pixels(px.cx, px.cy);
        return S_OK;
    });
}

HRESULT TwainControl::GetExtent(DWORD aspect, SIZEL* size) noexcept {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

HRESULT TwainControl::Advise(IAdviseSink* sink, DWORD* cookie) noexcept {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!advise_holder_) KORVIX_RETURN_IF_FAILED(::CreateOleAdviseHolder(advise_holder_.put()));
    return advise_holder_->Advise(sink, cookie);
}

HRESULT TwainControl::Unadvise(DWORD cookie) noexcept {
    if (!advise_holder_) return OLE_E_NOCONNECTION;
    return advise_holder_->Unadvise(cookie);
}

HRESULT TwainControl::EnumAdvise(IEnumSTATDATA** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!advise_holder_) return E_FAIL;
    return advise_holder_->EnumAdvise(out);
}

HRESULT TwainControl::GetMiscStatus(DWORD, DWORD* status) noexcept {
    if (!status) return E_POINTER;
    *status = kTwainMiscStatus;
    return S_OK;
}

HRESULT TwainControl::SetColorScheme(LOGPALETTE*) noexcept { return E_NOTIMPL; }

// ---- IOleWindow / IOleInPlaceObject ------------------------------------------------

HRESULT TwainControl::GetWindow(HWND* hwnd) noexcept {
    if (!hwnd) return E_POINTER;
    *hwnd = nullptr;
    if (!in_place_active_ || !view_ || !::IsWindow(view_->surface_hwnd())) return E_FAIL;
    *hwnd = view_->surface_hwnd();
    return S_OK;
}

// The container is destroying its window with ours inside: take ours back
// first and return to the loaded state, so every property keeps its value
// and a later activation in another window works.
void TwainControl::container_window_destroying() noexcept { InPlaceDeactivate(); }

HRESULT TwainControl::ContextSensitiveHelp(BOOL) noexcept { return E_NOTIMPL; }

HRESULT TwainControl::InPlaceDeactivate() noexcept {
    if (!in_place_active_) return S_OK;
    com_ptr<IUnknown> keep_alive(identity());
    UIDeactivate();
    if (view_) view_->detach();
    com_ptr<IOleInPlaceSite> site = in_place_site_;
    release_in_place_objects();
    if (com_ptr<IOleInPlaceSiteEx> site_ex = site.query<IOleInPlaceSiteEx>(IID_IOleInPlaceSiteEx))
        site_ex->OnInPlaceDeactivateEx(TRUE);
    else if (site)
        site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT TwainControl::UIDeactivate() noexcept {
    if (!ui_active_) return S_OK;
    ui_active_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (ui_window_) ui_window_->SetActiveObject(nullptr, nullptr);
    if (in_place_site_) in_place_site_->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT TwainControl::SetObjectRects(LPCRECT pos, LPCRECT) noexcept {
    if (!pos) return E_POINTER;
    pos_rect_ = *pos;
    extent_ = pixels_to_himetric(pos->right - pos->left, pos->bottom - pos->top);
    return com_boundary(IID_IOleObject, [&] {
        if (in_place_active_)
            view_->set_rect(*pos);
        else
            view_->set_size_pixels(pos->right - pos->left, pos->bottom - pos->top);
        return S_OK;
    });
}

HRESULT TwainControl::ReactivateAndUndo() noexcept { return E_NOTIMPL; }

// ---- IOleInPlaceActiveObject -----------------------------------------------------

HRESULT TwainControl::TranslateAccelerator(LPMSG) noexcept { return S_FALSE; }
HRESULT TwainControl::OnFrameWindowActivate(BOOL) noexcept { return S_OK; }
HRESULT TwainControl::OnDocWindowActivate(BOOL) noexcept { return S_OK; }
HRESULT TwainControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept { return S_OK; }
HRESULT TwainControl::EnableModeless(BOOL) noexcept { return S_OK; }

// ---- IOleControl --------------------------------------------------------------------

HRESULT TwainControl::GetControlInfo(CONTROLINFO* info) noexcept {
    if (!info) return E_POINTER;
    info->cb = sizeof(*info);
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT TwainControl::OnMnemonic(MSG*) noexcept { return S_OK; }

HRESULT TwainControl::OnAmbientPropertyChange(DISPID id) noexcept {
    if (id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) read_ambient_properties();
    return S_OK;
}

HRESULT TwainControl::FreezeEvents(BOOL freeze) noexcept {
    if (freeze)
        ++freeze_count_;
    else if (freeze_count_ > 0)
        --freeze_count_;
    return S_OK;
}

}  // namespace korvix
