// A host's handler of the control's events: an IDispatch sink (as script and
// form hosts connect) that records each event as it arrives, with its
// argument types and values in declared order, then runs the test's handler.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"

namespace korvix::hostkit {

class event_sink final : public IDispatch {
public:
    struct argument {
        VARTYPE type = VT_EMPTY;
        double value = 0;  // read through the reference for by-reference arguments
    };
    struct event {
        DISPID id = 0;
        std::vector<argument> arguments;  // declared order (first parameter first)
    };
    // Runs on each event after it is recorded; its result is Invoke's.
    // Arguments are in DISPPARAMS order (last parameter first).
    using handler_fn = std::function<HRESULT(DISPID, DISPPARAMS&)>;

    static com_ptr<event_sink> create();

    const std::vector<event>& events() const noexcept { return events_; }
    std::vector<DISPID> ids() const;
    int count(DISPID id) const;
    void clear() noexcept { events_.clear(); }
    void set_handler(handler_fn handler) { handler_ = std::move(handler); }
    LONG ref_count() const noexcept { return refs_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

private:
    event_sink() = default;
    ~event_sink() = default;
    LONG refs_ = 1;
    handler_fn handler_;
    std::vector<event> events_;
};

// The value a by-reference or by-value numeric event argument holds now.
double argument_value(const VARIANTARG& arg);
// Writes through a by-reference Integer argument (KeyAscii, KeyCode...).
void set_short_argument(VARIANTARG& arg, SHORT value);

}  // namespace korvix::hostkit
