// Identity, life cycle and the small informational interfaces of the control.
#include "control/object/twain_control.h"

#include <new>

#include "control/object/type_library.h"
#include "control/twain_factory.h"

namespace korvix {

namespace {

// An empty picture object: no bitmap, handle 0, yet not Nothing.
com_ptr<IPictureDisp> make_empty_picture() {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_NONE;
    com_ptr<IPictureDisp> pic;
    throw_if_failed(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, pic.put_void()),
                    "Cannot create an empty picture.");
    return pic;
}

// The folder the module was loaded from (its 32-bit helper lies there too).
std::wstring module_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(module_instance(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/"));
}

// Initial size until the container sets one: 240 x 180 pixels at 96 dpi.
constexpr SIZEL kDefaultExtent = {6350, 4763};

}  // namespace

TwainControl::TwainControl()
    : extent_(kDefaultExtent), event_point_(*this, DIID___Twain), notify_point_(*this, IID_IPropertyNotifySink) {
    // UserControl_Initialize: the view starts with both scroll bars hidden
    // and its own empty view picture; mPicture is another empty picture.
    view_ = std::make_unique<ControlView>(static_cast<ControlViewSite&>(*this));
    picture_ = make_empty_picture();
    twain_ = twain::make_acquisition(module_folder());
    pic24_.set_progress_listener(&pic24_progress_);
    view_->set_size_pixels(240, 180);
    module_add_ref();
}

TwainControl::~TwainControl() {
    // A container that never closed us: detach without calling it back.
    if (in_place_active_ && view_) view_->detach();
    release_in_place_objects();
    client_site_ = nullptr;
    advise_holder_ = nullptr;
    view_sink_ = nullptr;
    event_point_.clear();
    notify_point_.clear();
    // UserControl_Terminate: the pictures, then the companions.
    picture_ = nullptr;
    if (view_) {
        try {
            view_->set_view_picture(nullptr);
        } catch (...) {
        }
    }
    view_.reset();
    module_release();
}

HRESULT create_twain_control(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    TwainControl* control = nullptr;
    const HRESULT hr = com_boundary(IID__Twain, [&]() -> HRESULT {
        control = new TwainControl();
        return S_OK;
    });
    if (FAILED(hr)) return hr;
    const HRESULT qi = control->QueryInterface(iid, out);
    control->Release();
    return qi;
}

HRESULT TwainControl::QueryInterface(REFIID riid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID__Twain))
        *out = static_cast<ITwain*>(this);
    else if (IsEqualIID(riid, IID_IOleObject))
        *out = static_cast<IOleObject*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject))
        *out = static_cast<IOleInPlaceObject*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject))
        *out = static_cast<IOleInPlaceActiveObject*>(this);
    else if (IsEqualIID(riid, IID_IOleControl))
        *out = static_cast<IOleControl*>(this);
    else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2))
        *out = static_cast<IViewObject2*>(this);
    else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit))
        *out = static_cast<IPersistStreamInit*>(this);
    else if (IsEqualIID(riid, IID_IPersistPropertyBag))
        *out = static_cast<IPersistPropertyBag*>(this);
    else if (IsEqualIID(riid, IID_IPersistStorage))
        *out = static_cast<IPersistStorage*>(this);
    else if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2))
        *out = static_cast<IProvideClassInfo2*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPointContainer))
        *out = static_cast<IConnectionPointContainer*>(this);
    else if (IsEqualIID(riid, IID_ISupportErrorInfo))
        *out = static_cast<ISupportErrorInfo*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG TwainControl::AddRef() noexcept { return InterlockedIncrement(&refs_); }

ULONG TwainControl::Release() noexcept {
    const LONG r = InterlockedDecrement(&refs_);
    if (r == 0) {
        refs_ = 1;  // teardown may hand out and drop temporary references
        delete this;
    }
    return r;
}

void TwainControl::property_changed(DISPID id) noexcept {
    dirty_ = true;
    try {
        for (const com_ptr<IUnknown>& sink : notify_point_.sinks())
            static_cast<IPropertyNotifySink*>(sink.get())->OnChanged(id);
    } catch (...) {
        // Out of memory copying the sink list: the change itself is stored.
    }
    if (client_site_ && id == DISPID_Twain_Picture) view_changed();
}

void TwainControl::view_changed() noexcept {
    if (view_sink_) view_sink_->OnViewChange(DVASPECT_CONTENT, -1);
}

// ---- IProvideClassInfo2 -----------------------------------------------------

HRESULT TwainControl::GetClassInfo(ITypeInfo** out) noexcept { return twain_class_type_info(out); }

HRESULT TwainControl::GetGUID(DWORD kind, GUID* guid) noexcept {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = DIID___Twain;
    return S_OK;
}

// ---- IConnectionPointContainer ---------------------------------------------

HRESULT TwainControl::EnumConnectionPoints(IEnumConnectionPoints** out) noexcept {
    IConnectionPoint* points[] = {&event_point_, &notify_point_};
    return create_connection_point_enum(points, 2, out);
}

HRESULT TwainControl::FindConnectionPoint(REFIID riid, IConnectionPoint** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, DIID___Twain))
        *out = &event_point_;
    else if (IsEqualIID(riid, IID_IPropertyNotifySink))
        *out = &notify_point_;
    else
        return CONNECT_E_NOCONNECTION;
    (*out)->AddRef();
    return S_OK;
}

// ---- ISupportErrorInfo -------------------------------------------------------

HRESULT TwainControl::InterfaceSupportsErrorInfo(REFIID riid) noexcept {
    const IID* with_info[] = {&IID__Twain, &IID_IDispatch, &IID_IPersistStreamInit, &IID_IPersistPropertyBag,
                              &IID_IPersistStorage};
    for (const IID* iid : with_info)
        if (IsEqualIID(riid, *iid)) return S_OK;
    return S_FALSE;
}

}  // namespace korvix
