// Helpers for driving the control object directly: loading it from the
// built module, late-bound calls, and recorders for what it sends back.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include <map>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "tests/wine/hostkit/dispatch_call.h"

namespace korvix::object_test {

// A new control from the module's class factory (no registration needed).
com_ptr<IUnknown> create_control();
// Same, then IPersistStreamInit::InitNew, as a container does.
com_ptr<IDispatch> create_initialised();

struct Variant {
    VARIANT v;
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

struct CallResult {
    HRESULT hr = E_FAIL;
    UINT arg_err = 0xFFFF;
    std::wstring description;  // from EXCEPINFO
    SCODE scode = 0;
};

DISPID dispid_of(IDispatch* d, const wchar_t* name);
// Invoke with the given args (in DISPPARAMS order: last first).
CallResult invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr,
                  std::vector<DISPID> named = {});
LONG get_long(IDispatch* d, const wchar_t* name);
std::wstring get_string(IDispatch* d, const wchar_t* name);
HRESULT put_value(IDispatch* d, const wchar_t* name, const VARIANT& value);

// A picture owning a new w x h bitmap.
com_ptr<IPictureDisp> bitmap_picture(int w, int h);
// A picture of a new icon (owned).
com_ptr<IPictureDisp> icon_picture();

// Minimal COM object base with a reference count a test can read.
template <typename Interface>
class Recorder : public Interface {
public:
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || answers(riid)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack

protected:
    virtual bool answers(REFIID riid) = 0;
    virtual ~Recorder() = default;
};

class NotifyRecorder final : public Recorder<IPropertyNotifySink> {
public:
    std::vector<DISPID> changed;
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
        changed.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IPropertyNotifySink); }
};

// An event sink that answers only IDispatch, as script hosts' sinks do.
class EventRecorder final : public Recorder<IDispatch> {
public:
    std::vector<DISPID> events;
    std::vector<std::vector<VARTYPE>> arg_types;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        events.push_back(id);
        std::vector<VARTYPE> types;
        for (UINT i = 0; i < p->cArgs; ++i) types.push_back(V_VT(&p->rgvarg[i]));
        arg_types.push_back(types);
        return S_OK;
    }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IDispatch); }
};

// A property bag over a map, recording the order of reads and writes.
class MapBag final : public Recorder<IPropertyBag> {
public:
    std::map<std::wstring, VARIANT> values;
    std::vector<std::wstring> reads, writes;
    ~MapBag() override {
        for (auto& kv : values) ::VariantClear(&kv.second);
    }
    void set(const std::wstring& key, const VARIANT& v) {
        VARIANT copy;
        ::VariantInit(&copy);
        ::VariantCopy(&copy, const_cast<VARIANT*>(&v));
        ::VariantClear(&values[key]);
        values[key] = copy;
    }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
        reads.push_back(name);
        auto it = values.find(name);
        if (it == values.end()) return E_INVALIDARG;
        ::VariantInit(v);
        return ::VariantCopy(v, &it->second);
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* v) override {
        writes.push_back(name);
        set(name, *v);
        return S_OK;
    }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IPropertyBag); }
};

class ErrorLogRecorder final : public Recorder<IErrorLog> {
public:
    std::vector<std::wstring> keys;
    HRESULT STDMETHODCALLTYPE AddError(LPCOLESTR name, EXCEPINFO*) override {
        keys.push_back(name);
        return S_OK;
    }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IErrorLog); }
};

using hostkit::error_description;  // the thread's current IErrorInfo text

}  // namespace korvix::object_test
