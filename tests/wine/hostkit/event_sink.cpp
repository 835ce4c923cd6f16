#include "tests/wine/hostkit/event_sink.h"

namespace korvix::hostkit {

com_ptr<event_sink> event_sink::create() { return com_ptr<event_sink>::attach(new event_sink()); }

std::vector<DISPID> event_sink::ids() const {
    std::vector<DISPID> out;
    for (const event& e : events_) out.push_back(e.id);
    return out;
}

int event_sink::count(DISPID id) const {
    int n = 0;
    for (const event& e : events_) n += e.id == id;
    return n;
}

STDMETHODIMP event_sink::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) event_sink::Release() {
    const LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP event_sink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP event_sink::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP event_sink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                UINT*) {
    if (!(flags & DISPATCH_METHOD) || !params) return E_INVALIDARG;
    // The handler may let go of the last reference to us: hold one.
    com_ptr<event_sink> self(this);
    // Recorded as it arrives, before the handler writes anything back.
    event e;
    e.id = id;
    for (UINT i = params->cArgs; i-- > 0;)
        e.arguments.push_back({V_VT(&params->rgvarg[i]), argument_value(params->rgvarg[i])});
    events_.push_back(std::move(e));
    return handler_ ? handler_(id, *params) : S_OK;
}

double argument_value(const VARIANTARG& arg) {
    switch (V_VT(&arg)) {
    case VT_I2: return V_I2(&arg);
    case VT_I4: return V_I4(&arg);
    case VT_R4: return V_R4(&arg);
    case VT_I2 | VT_BYREF: return *V_I2REF(&arg);
    case VT_R4 | VT_BYREF: return *V_R4REF(&arg);
    default: return 0;
    }
}

void set_short_argument(VARIANTARG& arg, SHORT value) {
    if (V_VT(&arg) == (VT_I2 | VT_BYREF)) *V_I2REF(&arg) = value;
}

}  // namespace korvix::hostkit
