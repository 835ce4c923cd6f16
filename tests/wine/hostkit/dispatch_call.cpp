#include "tests/wine/hostkit/dispatch_call.h"

#include <algorithm>
#include <cstdio>

#include "common/win/unique_resource.h"

namespace korvix::hostkit {
namespace {

dispatch_result invoke(IDispatch* disp, DISPID id, WORD flags, std::vector<VARIANT> args_in_order,
                       bool named_put) {
    dispatch_result r;
    if (!disp) {
        r.hr = E_POINTER;
        return r;
    }
    // Invoke wants the arguments right to left.
    std::reverse(args_in_order.begin(), args_in_order.end());
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(args_in_order.size());
    params.rgvarg = args_in_order.empty() ? nullptr : args_in_order.data();
    if (named_put) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &put_id;
    }
    EXCEPINFO info{};
    UINT arg_err = 0;
    ::SetErrorInfo(0, nullptr);
    r.hr = disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                        (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) ? nullptr : r.value.put(),
                        &info, &arg_err);
    if (r.hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    if (info.bstrDescription) r.description.assign(info.bstrDescription, ::SysStringLen(info.bstrDescription));
    r.scode = info.scode;
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    if (FAILED(r.hr) && r.description.empty()) r.description = error_description();
    return r;
}

}  // namespace

HRESULT dispid_of(IDispatch* disp, const wchar_t* name, DISPID* id) {
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    return disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

dispatch_result dispatch_get(IDispatch* disp, DISPID id) {
    return invoke(disp, id, DISPATCH_PROPERTYGET, {}, false);
}

dispatch_result dispatch_put(IDispatch* disp, DISPID id, const VARIANT& value) {
    return invoke(disp, id, DISPATCH_PROPERTYPUT, {value}, true);
}

dispatch_result dispatch_putref(IDispatch* disp, DISPID id, IDispatch* object) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;  // borrowed for the call
    return invoke(disp, id, DISPATCH_PROPERTYPUTREF, {v}, true);
}

dispatch_result dispatch_call(IDispatch* disp, DISPID id, std::vector<VARIANT> args) {
    return invoke(disp, id, DISPATCH_METHOD, std::move(args), false);
}

std::string describe(const dispatch_result& r) {
    char head[64];
    std::snprintf(head, sizeof head, "hr=0x%08lX scode=0x%08lX ", static_cast<unsigned long>(r.hr),
                  static_cast<unsigned long>(r.scode));
    std::string text(head);
    for (wchar_t c : r.description) text.push_back(c < 128 ? static_cast<char>(c) : '?');
    return text;
}

std::wstring error_description() {
    com_ptr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return L"";
    BSTR text = nullptr;
    std::wstring out;
    if (SUCCEEDED(info->GetDescription(&text)) && text) out.assign(text, ::SysStringLen(text));
    ::SysFreeString(text);
    return out;
}

std::vector<member_shape> type_members(IDispatch* disp) {
    std::vector<member_shape> members;
    com_ptr<ITypeInfo> info;
    TYPEATTR* attr = nullptr;
    if (FAILED(disp->GetTypeInfo(0, 0, info.put())) || FAILED(info->GetTypeAttr(&attr))) return members;
    const WORD count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < count; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        member_shape m{desc->memid, static_cast<WORD>(desc->invkind), 0};
        for (SHORT p = 0; p < desc->cParams; ++p)
            if (!(desc->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++m.arguments;
        info->ReleaseFuncDesc(desc);
        members.push_back(m);
    }
    return members;
}

}  // namespace korvix::hostkit
