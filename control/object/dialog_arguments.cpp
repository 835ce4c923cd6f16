#include "control/object/dialog_arguments.h"

namespace korvix {

namespace {

HRESULT copy_text(BSTR source, BSTR& out) {
    out = source ? ::SysAllocStringLen(source, ::SysStringLen(source)) : ::SysAllocString(L"");
    return out ? S_OK : E_OUTOFMEMORY;
}

HRESULT convert_text(const VARIANT& source, BSTR& out) {
    VARIANT converted;
    ::VariantInit(&converted);
    const HRESULT hr = ::VariantChangeType(&converted, const_cast<VARIANT*>(&source), 0, VT_BSTR);
    if (hr == E_OUTOFMEMORY) return hr;
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    out = V_BSTR(&converted);  // ownership moves to out
    if (!out) return copy_text(nullptr, out);
    return S_OK;
}

}  // namespace

HRESULT DialogArguments::read(const DISPPARAMS& params, UINT* arg_err) noexcept {
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs > kCount) return DISP_E_BADPARAMCOUNT;
    if (params.cArgs != 0 && !params.rgvarg) return E_INVALIDARG;
    for (UINT i = 0; i < kCount; ++i) {
        BSTR& text = values_[i].text;
        if (i >= params.cArgs) {
            KORVIX_RETURN_IF_FAILED(copy_text(nullptr, text));
            continue;
        }
        // DISPPARAMS hold the arguments last first.
        const UINT index = params.cArgs - 1 - i;
        const VARIANT& arg = params.rgvarg[index];
        HRESULT hr = S_OK;
        if (V_VT(&arg) == VT_ERROR && V_ERROR(&arg) == DISP_E_PARAMNOTFOUND) {
            hr = copy_text(nullptr, text);
        } else if (V_VT(&arg) == VT_BSTR) {
            hr = copy_text(V_BSTR(&arg), text);
        } else if (V_VT(&arg) == (VT_BYREF | VT_BSTR)) {
            if (!V_BSTRREF(&arg)) {
                hr = E_INVALIDARG;
            } else {
                hr = copy_text(*V_BSTRREF(&arg), text);
                targets_[i] = V_BSTRREF(&arg);
            }
        } else if (V_VT(&arg) == (VT_BYREF | VT_VARIANT)) {
            VARIANT* inner = V_VARIANTREF(&arg);
            if (!inner) {
                hr = E_INVALIDARG;
            } else if (V_VT(inner) == VT_BSTR) {
                hr = copy_text(V_BSTR(inner), text);
                targets_[i] = &V_BSTR(inner);
            } else if (V_VT(inner) == (VT_BYREF | VT_BSTR) && V_BSTRREF(inner)) {
                hr = copy_text(*V_BSTRREF(inner), text);
                targets_[i] = V_BSTRREF(inner);
            } else if (V_VT(inner) == VT_ERROR && V_ERROR(inner) == DISP_E_PARAMNOTFOUND) {
                hr = copy_text(nullptr, text);
            } else {
                hr = convert_text(*inner, text);
            }
        } else {
            hr = convert_text(arg, text);
        }
        if (FAILED(hr)) {
            if (arg_err) *arg_err = index;
            return hr == E_OUTOFMEMORY || hr == E_INVALIDARG ? hr : DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

HRESULT DialogArguments::write_back() noexcept {
    for (UINT i = 0; i < kCount; ++i) {
        if (!targets_[i]) continue;
        const BSTR value = values_[i].text;
        BSTR copy = value ? ::SysAllocStringLen(value, ::SysStringLen(value)) : nullptr;
        if (value && !copy) return E_OUTOFMEMORY;
        ::SysFreeString(*targets_[i]);
        *targets_[i] = copy;
    }
    return S_OK;
}

}  // namespace korvix
