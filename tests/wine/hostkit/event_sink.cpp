#include "tests/wine/hostkit/event_sink.h"

#include <sstream>

#include "control/typelib/twain_members.h"

namespace korvix::hostkit {
namespace {

std::string event_name(DISPID id) {
    for (const auto& row : typelib::kTwainEvents)
        if (row.dispid == id) return std::string(row.name, row.name + ::lstrlenW(row.name));
    return "#" + std::to_string(id);
}

std::string argument_text(const VARIANTARG& arg) {
    std::ostringstream out;
    if (V_VT(&arg) & VT_BYREF) out << '*';
    switch (V_VT(&arg)) {
    case VT_I2: out << V_I2(&arg) << '%'; break;
    case VT_R4: out << V_R4(&arg) << '!'; break;
    case VT_I2 | VT_BYREF: out << *V_I2REF(&arg) << '%'; break;
    case VT_R4 | VT_BYREF: out << *V_R4REF(&arg) << '!'; break;
    default: out << "vt" << V_VT(&arg);
    }
    return out.str();
}

}  // namespace

int event_sink::count(const std::string& name) const {
    int n = 0;
    for (const std::string& e : events_) n += e.compare(0, e.find('('), name) == 0;
    return n;
}

STDMETHODIMP_(ULONG) event_sink::Release() {
    const LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP event_sink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                UINT*) {
    if (!(flags & DISPATCH_METHOD) || !params) return E_INVALIDARG;
    // The handler may let go of the last reference to us: hold one.
    com_ptr<event_sink> self(this);
    // Noted as it arrives, before the handler writes anything back.
    std::string e = event_name(id);
    for (UINT i = params->cArgs; i-- > 0;)
        e += (i + 1 == params->cArgs ? "(" : ",") + argument_text(params->rgvarg[i]) + (i == 0 ? ")" : "");
    if (id != DISPID_TwainEvent_Paint) events_.push_back(std::move(e));
    return handler_ ? handler_(id, *params) : S_OK;
}

}  // namespace korvix::hostkit
