#include "tests/wine/hostkit/property_notify_recorder.h"

#include <utility>

namespace korvix::hostkit {

com_ptr<property_notify_recorder> property_notify_recorder::create() {
    return com_ptr<property_notify_recorder>::attach(new property_notify_recorder());
}

std::vector<DISPID> property_notify_recorder::changed_ids() const {
    std::vector<DISPID> ids;
    for (const event& e : events_)
        if (e.kind == event::changed) ids.push_back(e.id);
    return ids;
}

STDMETHODIMP property_notify_recorder::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertyNotifySink) return E_NOINTERFACE;
    *out = static_cast<IPropertyNotifySink*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) property_notify_recorder::Release() {
    const LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP property_notify_recorder::OnChanged(DISPID id) {
    events_.push_back({event::changed, id});
    return S_OK;
}

STDMETHODIMP property_notify_recorder::OnRequestEdit(DISPID id) {
    events_.push_back({event::request_edit, id});
    return request_edit_answer_;
}

sink_connection::sink_connection(IUnknown* object, REFIID sink_iid, IUnknown* sink) {
    com_ptr<IConnectionPointContainer> container;
    throw_if_failed(object->QueryInterface(IID_IConnectionPointContainer, container.put_void()),
                    "the control has no IConnectionPointContainer");
    throw_if_failed(container->FindConnectionPoint(sink_iid, point_.put()), "FindConnectionPoint failed");
    throw_if_failed(point_->Advise(sink, &cookie_), "Advise failed");
}

sink_connection::sink_connection(sink_connection&& o) noexcept
    : point_(std::move(o.point_)), cookie_(std::exchange(o.cookie_, 0)) {}

sink_connection& sink_connection::operator=(sink_connection&& o) noexcept {
    if (this != &o) {
        disconnect();
        point_ = std::move(o.point_);
        cookie_ = std::exchange(o.cookie_, 0);
    }
    return *this;
}

void sink_connection::disconnect() noexcept {
    if (point_ && cookie_) point_->Unadvise(cookie_);
    cookie_ = 0;
    point_.reset();
}

}  // namespace korvix::hostkit
