// IDispatch for _Twain, answered from the type library's vtable view. What
// script engines send is normalised first: by-reference arguments to
// by-value parameters are dereferenced, and the dialog methods' optional
// by-reference strings are handled here.
#include <vector>

#include "control/object/dialog_arguments.h"
#include "control/object/twain_control.h"
#include "control/object/type_library.h"

namespace korvix {

namespace {

// Owns the dereferenced copies of the arguments.
class NormalisedArgs {
public:
    ~NormalisedArgs() {
        for (VARIANT& v : args_) ::VariantClear(&v);
    }
    HRESULT build(const DISPPARAMS& in, UINT* arg_err) {
        if (in.cArgs != 0 && !in.rgvarg) return E_INVALIDARG;
        args_.resize(in.cArgs);
        for (VARIANT& v : args_) ::VariantInit(&v);
        for (UINT i = 0; i < in.cArgs; ++i) {
            const HRESULT hr = ::VariantCopyInd(&args_[i], &in.rgvarg[i]);
            if (FAILED(hr)) {
                if (arg_err) *arg_err = i;
                return hr;
            }
        }
        params_.rgvarg = args_.empty() ? nullptr : args_.data();
        params_.cArgs = in.cArgs;
        params_.rgdispidNamedArgs = in.rgdispidNamedArgs;
        params_.cNamedArgs = in.cNamedArgs;
        return S_OK;
    }
    DISPPARAMS* params() { return &params_; }
    bool only_object_argument() const {
        return args_.size() == 1 && (V_VT(&args_[0]) == VT_DISPATCH || V_VT(&args_[0]) == VT_UNKNOWN);
    }

private:
    std::vector<VARIANT> args_;
    DISPPARAMS params_{};
};

constexpr UINT kNoArgument = ~0u;

bool is_argument_refusal(HRESULT hr) {
    return hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_BADVARTYPE;
}

void free_exception(EXCEPINFO& e) {
    ::SysFreeString(e.bstrSource);
    ::SysFreeString(e.bstrDescription);
    ::SysFreeString(e.bstrHelpFile);
    e = EXCEPINFO{};
}

void fill_exception(EXCEPINFO* excep, HRESULT failure) {
    *excep = EXCEPINFO{};
    excep->scode = failure;
    com_ptr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) == S_OK && info) {
        info->GetSource(&excep->bstrSource);
        info->GetDescription(&excep->bstrDescription);
        info->GetHelpFile(&excep->bstrHelpFile);
        info->GetHelpContext(&excep->dwHelpContext);
        ::SetErrorInfo(0, info.get());  // still there for vtable-minded callers
    }
    if (!excep->bstrSource) excep->bstrSource = ::SysAllocString(L"Korvix.Twain");
}

}  // namespace

HRESULT TwainControl::dispatch_type_info(ITypeInfo** out) noexcept {
    if (!dispatch_info_) {
        com_ptr<ITypeInfo> info;
        KORVIX_RETURN_IF_FAILED(twain_interface_type_info(info.put()));
        KORVIX_RETURN_IF_FAILED(dispatch_members_.load(info.get()));
        dispatch_info_ = info;
    }
    return dispatch_info_.copy_to(out);
}

// Opens an Invoke's record for the member it dispatches to, closes it on
// every way out.
class TwainControl::InvokeScope {
public:
    explicit InvokeScope(TwainControl& control) noexcept : control_(control) {
        record_.depth = control.automation_depth_;
        record_.outer = control.invoke_record_;
        control.invoke_record_ = &record_;
    }
    ~InvokeScope() { control_.invoke_record_ = record_.outer; }
    InvokeScope(const InvokeScope&) = delete;
    InvokeScope& operator=(const InvokeScope&) = delete;
    HRESULT member_failure() const noexcept { return record_.member_failure; }

private:
    TwainControl& control_;
    InvokeRecord record_;
};

HRESULT TwainControl::GetTypeInfoCount(UINT* count) noexcept {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TwainControl::GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return dispatch_type_info(out);
}

HRESULT TwainControl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                    DISPID* ids) noexcept {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    com_ptr<ITypeInfo> info;
    KORVIX_RETURN_IF_FAILED(dispatch_type_info(info.put()));
    return info->GetIDsOfNames(names, count, ids);
}

HRESULT TwainControl::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* excep, UINT* arg_err) noexcept {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!params) return E_INVALIDARG;
    // Hold ourselves: the call may drop the host's last other reference.
    com_ptr<ITwain> self(static_cast<ITwain*>(this));
    InvokeScope scope(*this);
    HRESULT hr;
    if ((id == DISPID_Twain_ShowSave || id == DISPID_Twain_ShowLoad) && (flags & DISPATCH_METHOD)) {
        hr = invoke_dialog_method(id, params, result, arg_err);
    } else {
        com_ptr<ITypeInfo> info;
        KORVIX_RETURN_IF_FAILED(dispatch_type_info(info.put()));
        NormalisedArgs args;
        KORVIX_RETURN_IF_FAILED(args.build(*params, arg_err));
        KORVIX_RETURN_IF_FAILED(dispatch_members_.check(id, flags, *args.params(), arg_err));
        EXCEPINFO inner{};
        UINT bad_arg = kNoArgument;
        hr = info->Invoke(self.get(), id, flags, args.params(), result, &inner, &bad_arg);
        // "obj.Picture = pic" from a late-bound host means a reference set.
        if (hr == DISP_E_MEMBERNOTFOUND && flags == DISPATCH_PROPERTYPUT && args.only_object_argument())
            hr = info->Invoke(self.get(), id, DISPATCH_PROPERTYPUTREF, args.params(), result, &inner, &bad_arg);
        // The type library's Invoke does not always say which argument it refused.
        if (is_argument_refusal(hr) && bad_arg >= params->cArgs) bad_arg = params->cArgs ? params->cArgs - 1 : 0;
        if (arg_err && bad_arg != kNoArgument) *arg_err = bad_arg;
        const HRESULT failure = scope.member_failure();
        if (FAILED(failure)) {
            // The member failed. The type library's Invoke may already have
            // moved our error information into its EXCEPINFO.
            if (hr == DISP_E_EXCEPTION && inner.bstrDescription) {
                inner.scode = failure;
                if (excep) {
                    *excep = inner;
                    return DISP_E_EXCEPTION;
                }
                set_error_info(failure, IID__Twain, inner.bstrDescription);
                free_exception(inner);
                return failure;
            }
            free_exception(inner);
            hr = failure;
        } else if (hr == DISP_E_EXCEPTION && excep) {
            *excep = inner;
        } else {
            free_exception(inner);
        }
    }
    // A member that failed: its HRESULT and description reach the host.
    if (FAILED(scope.member_failure()) && hr == scope.member_failure()) {
        if (!excep) return hr;
        fill_exception(excep, hr);
        return DISP_E_EXCEPTION;
    }
    return hr;
}

HRESULT TwainControl::invoke_dialog_method(DISPID id, DISPPARAMS* params, VARIANT* result, UINT* arg_err) noexcept {
    DialogArguments args;
    KORVIX_RETURN_IF_FAILED(args.read(*params, arg_err));
    const HRESULT hr = id == DISPID_Twain_ShowSave ? ShowSave(args.slot(0), args.slot(1), args.slot(2))
                                                   : ShowLoad(args.slot(0), args.slot(1), args.slot(2));
    if (FAILED(hr)) {
        // The method's own failure, even when it did not record it itself.
        if (invoke_record_ && SUCCEEDED(invoke_record_->member_failure)) invoke_record_->member_failure = hr;
        return hr;
    }
    KORVIX_RETURN_IF_FAILED(args.write_back());
    if (result) ::VariantInit(result);
    return hr;
}

}  // namespace korvix
