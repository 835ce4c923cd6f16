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

// Plain argument values.
inline VARIANT i2(SHORT v) {
    VARIANT r;
    V_VT(&r) = VT_I2;
    V_I2(&r) = v;
    return r;
}
inline VARIANT i4(LONG v) {
    VARIANT r;
    V_VT(&r) = VT_I4;
    V_I4(&r) = v;
    return r;
}

DISPID dispid_of(IDispatch* d, const wchar_t* name);
// Invoke with the given args (in DISPPARAMS order: last first).
CallResult invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr,
                  std::vector<DISPID> named = {});
LONG get_long(IDispatch* d, const wchar_t* name);
std::wstring get_string(IDispatch* d, const wchar_t* name);
HRESULT put_value(IDispatch* d, const wchar_t* name, const VARIANT& value);

// Memory streams: empty, holding bytes (positioned at the start), and all
// that a stream holds (it is rewound).
com_ptr<IStream> new_stream();
com_ptr<IStream> stream_of(const std::vector<BYTE>& bytes);
std::vector<BYTE> stream_bytes(IStream* s);
// The settings record a control saves through IPersistStreamInit.
std::vector<BYTE> saved_record(IUnknown* control);

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

std::wstring error_description();  // the thread's current IErrorInfo text

// A client site that is also an in-place site, over a real top-level window.
class TestSite final : public IOleClientSite, public IOleInPlaceSite {
public:
    LONG refs = 1;
    HWND window = nullptr;
    RECT pos = {10, 20, 210, 170};
    std::vector<std::string> calls;

    TestSite() {
        window = ::CreateWindowExW(0, L"STATIC", L"site", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                                   nullptr, nullptr, nullptr, nullptr);
    }
    ~TestSite() { ::DestroyWindow(window); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
            *out = static_cast<IOleInPlaceSite*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { calls.push_back("SaveObject"); return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override { *m = nullptr; return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override { *c = nullptr; return E_NOINTERFACE; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* h) override { *h = window; return S_OK; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { calls.push_back("CanInPlaceActivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { calls.push_back("OnInPlaceActivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { calls.push_back("OnUIActivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT p,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
        *frame = nullptr;
        *doc = nullptr;
        *p = pos;
        *clip = pos;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { calls.push_back("OnUIDeactivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { calls.push_back("OnInPlaceDeactivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { calls.push_back("OnPosRectChange"); return S_OK; }
};


}  // namespace korvix::object_test
