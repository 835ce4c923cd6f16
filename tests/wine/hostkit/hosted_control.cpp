#include "tests/wine/hostkit/hosted_control.h"

#include <cmath>

#include "control/korvix_ids.h"

namespace korvix::hostkit {

host_options::host_options() : clsid(CLSID_Twain) {}

SIZEL pixels_to_himetric(LONG cx, LONG cy) {
    window_dc dc(nullptr);
    const int dx = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSX) : 96;
    const int dy = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return SIZEL{static_cast<LONG>(std::lround(cx * 2540.0 / dx)), static_cast<LONG>(std::lround(cy * 2540.0 / dy))};
}

hosted_control::hosted_control(HWND frame, const RECT& pos, const host_options& options)
    : frame_(frame), pos_(pos) {
    site_ = control_site::create(frame, pos, options.ambients);
    recorder_ = property_notify_recorder::create();
    throw_if_failed(::CoCreateInstance(options.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                       object_.put_void()),
                    "CoCreateInstance of the control failed (is the module registered?)");
    DWORD misc = 0;
    object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
    if (misc & OLEMISC_SETCLIENTSITEFIRST)
        throw_if_failed(object_->SetClientSite(site_.get()), "SetClientSite failed");
    throw_if_failed(object_->QueryInterface(IID_IDispatch, dispatch_.put_void()), "no IDispatch");
    throw_if_failed(object_->QueryInterface(IID__Twain, twain_.put_void()), "no _Twain");
    // Connected before initialisation so notifications sent while loading are seen.
    notify_connection_ = sink_connection(object_.get(), IID_IPropertyNotifySink, recorder_.get());
    if (!(misc & OLEMISC_SETCLIENTSITEFIRST))
        throw_if_failed(object_->SetClientSite(site_.get()), "SetClientSite failed");
}

HRESULT hosted_control::init_new() {
    auto persist = object_.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    return persist ? persist->InitNew() : E_NOINTERFACE;
}

HRESULT hosted_control::load(IPropertyBag* bag) {
    auto persist = object_.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    return persist ? persist->Load(bag, nullptr) : E_NOINTERFACE;
}

HRESULT hosted_control::init_new_stream() {
    auto persist = object_.query<IPersistStreamInit>(IID_IPersistStreamInit);
    return persist ? persist->InitNew() : E_NOINTERFACE;
}

HRESULT hosted_control::load_stream(IStream* stream) {
    auto persist = object_.query<IPersistStreamInit>(IID_IPersistStreamInit);
    return persist ? persist->Load(stream) : E_NOINTERFACE;
}

HRESULT hosted_control::load_storage(IStorage* storage) {
    auto persist = object_.query<IPersistStorage>(IID_IPersistStorage);
    return persist ? persist->Load(storage) : E_NOINTERFACE;
}

HRESULT hosted_control::set_extent(const RECT& pos) {
    SIZEL extent = pixels_to_himetric(pos.right - pos.left, pos.bottom - pos.top);
    return object_->SetExtent(DVASPECT_CONTENT, &extent);
}

HRESULT hosted_control::activate() {
    KORVIX_RETURN_IF_FAILED(set_extent(pos_));
    RECT pos = pos_;
    const HRESULT hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.get(), 0, frame_, &pos);
    if (SUCCEEDED(hr)) activated_ = true;
    return hr;
}

HRESULT hosted_control::move(const RECT& pos) {
    pos_ = pos;
    site_->set_pos(pos);
    KORVIX_RETURN_IF_FAILED(set_extent(pos));
    auto in_place = object_.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (!in_place) return E_NOINTERFACE;
    return in_place->SetObjectRects(&pos, &pos);
}

HWND hosted_control::window() const {
    HWND hwnd = nullptr;
    if (auto in_place = object_.query<IOleInPlaceObject>(IID_IOleInPlaceObject)) in_place->GetWindow(&hwnd);
    return hwnd;
}

void hosted_control::teardown() noexcept {
    if (!object_) return;
    object_->Close(OLECLOSE_NOSAVE);
    activated_ = false;
    notify_connection_.disconnect();
    object_->SetClientSite(nullptr);
    twain_.reset();
    dispatch_.reset();
    object_.reset();
}

std::unique_ptr<hosted_control> host_new_control(HWND frame, const RECT& pos, const host_options& options) {
    auto control = std::make_unique<hosted_control>(frame, pos, options);
    throw_if_failed(control->init_new(), "IPersistPropertyBag::InitNew failed");
    throw_if_failed(control->activate(), "DoVerb(OLEIVERB_INPLACEACTIVATE) failed");
    return control;
}

}  // namespace korvix::hostkit
