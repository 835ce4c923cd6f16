// A host's handler of the control's events: an IDispatch sink (as script and
// form hosts connect) that notes each event as it arrives, then runs the
// test's handler. An event reads as its name and its arguments in declared
// order, each with VB's type character (% Integer, ! Single) and a leading *
// when passed by reference: "MouseDown(*1%,*0%,*5!,*7!)", "Progress(25%)".
// Paint, which any message pump may raise, is not noted (its handler runs).
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
    // Runs after the event is noted; its result is Invoke's. Arguments are
    // in DISPPARAMS order (last parameter first).
    using handler_fn = std::function<HRESULT(DISPID, DISPPARAMS&)>;

    static com_ptr<event_sink> create() { return com_ptr<event_sink>::attach(new event_sink()); }

    const std::vector<std::string>& events() const noexcept { return events_; }
    int count(const std::string& name) const;
    void clear() noexcept { events_.clear(); }
    void set_handler(handler_fn handler) { handler_ = std::move(handler); }
    LONG ref_count() const noexcept { return refs_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
        if (*out) AddRef();
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override;

private:
    event_sink() = default;
    ~event_sink() = default;
    LONG refs_ = 1;
    handler_fn handler_;
    std::vector<std::string> events_;
};

}  // namespace korvix::hostkit
