// A VARIANT that clears itself, for tests and hosts that pass values
// through IDispatch and property bags.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace korvix::hostkit {

class unique_variant {
public:
    unique_variant() noexcept { ::VariantInit(&v_); }
    ~unique_variant() { ::VariantClear(&v_); }
    unique_variant(const unique_variant& o) : unique_variant() { ::VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
    unique_variant(unique_variant&& o) noexcept : unique_variant() { std::swap(v_, o.v_); }
    unique_variant& operator=(unique_variant o) noexcept {
        std::swap(v_, o.v_);
        return *this;
    }
    explicit unique_variant(const VARIANT& v) : unique_variant() { ::VariantCopy(&v_, const_cast<VARIANT*>(&v)); }

    static unique_variant i2(SHORT x) { unique_variant r; r.v_.vt = VT_I2; r.v_.iVal = x; return r; }
    static unique_variant i4(LONG x) { unique_variant r; r.v_.vt = VT_I4; r.v_.lVal = x; return r; }
    static unique_variant boolean(bool x) {
        unique_variant r; r.v_.vt = VT_BOOL; r.v_.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE; return r;
    }
    static unique_variant bstr(const std::wstring& s) {
        unique_variant r; r.v_.vt = VT_BSTR; r.v_.bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
        return r;
    }
    // Takes a new reference (null gives a Nothing object reference).
    static unique_variant dispatch(IDispatch* p) {
        unique_variant r; r.v_.vt = VT_DISPATCH; r.v_.pdispVal = p;
        if (p) p->AddRef();
        return r;
    }

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    const VARIANT* operator->() const noexcept { return &v_; }
    VARTYPE vt() const noexcept { return v_.vt; }
    // Clears and hands out the slot for an out-parameter.
    VARIANT* put() noexcept {
        ::VariantClear(&v_);
        return &v_;
    }
    std::wstring as_string() const {
        if (v_.vt == VT_BSTR) return v_.bstrVal ? std::wstring(v_.bstrVal, ::SysStringLen(v_.bstrVal)) : std::wstring();
        VARIANT t;
        ::VariantInit(&t);
        std::wstring r = L"<unconvertible>";
        if (SUCCEEDED(::VariantChangeType(&t, const_cast<VARIANT*>(&v_), VARIANT_ALPHABOOL, VT_BSTR)) && t.bstrVal)
            r.assign(t.bstrVal, ::SysStringLen(t.bstrVal));
        else if (SUCCEEDED(::VariantChangeType(&t, const_cast<VARIANT*>(&v_), VARIANT_ALPHABOOL, VT_BSTR)))
            r.clear();
        ::VariantClear(&t);
        return r;
    }

private:
    VARIANT v_;
};

}  // namespace korvix::hostkit
