// Late-bound calls through IDispatch::Invoke, as a script host or a form
// designer makes them. Every call reports its HRESULT and, for
// DISP_E_EXCEPTION, the description the object published.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "tests/wine/hostkit/unique_variant.h"

namespace korvix::hostkit {

struct dispatch_result {
    HRESULT hr = E_FAIL;
    unique_variant value;        // the property's value or the method's result
    std::wstring description;    // EXCEPINFO or IErrorInfo text when the call failed
    SCODE scode = S_OK;          // EXCEPINFO's scode for DISP_E_EXCEPTION
    bool ok() const noexcept { return SUCCEEDED(hr); }
};

// Resolves a member name through the object's own type information.
HRESULT dispid_of(IDispatch* disp, const wchar_t* name, DISPID* id);

dispatch_result dispatch_get(IDispatch* disp, DISPID id);
dispatch_result dispatch_put(IDispatch* disp, DISPID id, const VARIANT& value);
// Reference assignment (propputref), for object properties such as Picture.
dispatch_result dispatch_putref(IDispatch* disp, DISPID id, IDispatch* object);
// Method call; args in natural (left to right) order.
dispatch_result dispatch_call(IDispatch* disp, DISPID id, std::vector<VARIANT> args = {});

// The error as a caller would read it: "0x80020005 Type mismatch." style.
std::string describe(const dispatch_result& r);

// The thread's current IErrorInfo description ("" when there is none).
std::wstring error_description();

// A member as the object's type information describes it: the invocation
// kind it answers and how many arguments a caller passes (no return value).
struct member_shape {
    DISPID id = DISPID_UNKNOWN;
    WORD kind = 0;  // INVOKE_FUNC, INVOKE_PROPERTYGET, ...: the Invoke flag that reaches it
    UINT arguments = 0;
};
std::vector<member_shape> type_members(IDispatch* disp);

}  // namespace korvix::hostkit
