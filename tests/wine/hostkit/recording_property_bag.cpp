#include "tests/wine/hostkit/recording_property_bag.h"

namespace korvix::hostkit {

com_ptr<recording_property_bag> recording_property_bag::create() {
    return com_ptr<recording_property_bag>::attach(new recording_property_bag());
}

recording_property_bag::entry* recording_property_bag::find(const std::wstring& key) {
    for (entry& e : entries_)
        if (::lstrcmpiW(e.key.c_str(), key.c_str()) == 0) return &e;
    return nullptr;
}

const recording_property_bag::entry* recording_property_bag::find(const std::wstring& key) const {
    return const_cast<recording_property_bag*>(this)->find(key);
}

void recording_property_bag::preload(const std::wstring& key, const unique_variant& value) {
    if (entry* e = find(key))
        e->value = value;
    else
        entries_.push_back({key, value});
}

std::optional<unique_variant> recording_property_bag::value(const std::wstring& key) const {
    if (const entry* e = find(key)) return e->value;
    return std::nullopt;
}

std::vector<std::wstring> recording_property_bag::keys_written() const {
    std::vector<std::wstring> keys;
    for (const call& c : calls_)
        if (c.op == call::write) keys.push_back(c.key);
    return keys;
}

std::vector<std::wstring> recording_property_bag::keys_read() const {
    std::vector<std::wstring> keys;
    for (const call& c : calls_)
        if (c.op == call::read) keys.push_back(c.key);
    return keys;
}

STDMETHODIMP recording_property_bag::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertyBag) return E_NOINTERFACE;
    *out = static_cast<IPropertyBag*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) recording_property_bag::Release() {
    const LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP recording_property_bag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    const VARTYPE wanted = value->vt;
    HRESULT hr;
    if (entry* e = find(name)) {
        if (wanted == VT_EMPTY) {
            ::VariantInit(value);
            hr = ::VariantCopy(value, e->value.get());
        } else {
            VARIANT converted;
            ::VariantInit(&converted);
            hr = ::VariantChangeType(&converted, e->value.get(), 0, wanted);
            // *value only carried the wanted type: it is an out-parameter.
            if (SUCCEEDED(hr)) *value = converted;
        }
    } else {
        hr = E_INVALIDARG;
    }
    calls_.push_back({call::read, name, wanted, hr});
    return hr;
}

STDMETHODIMP recording_property_bag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    preload(name, unique_variant(*value));
    calls_.push_back({call::write, name, value->vt, S_OK});
    return S_OK;
}

}  // namespace korvix::hostkit
