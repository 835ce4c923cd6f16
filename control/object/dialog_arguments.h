// The three optional by-reference String arguments of ShowSave/ShowLoad as
// automation clients really send them: absent, omitted (VT_ERROR
// DISP_E_PARAMNOTFOUND), by value, by reference to a BSTR, or - from script
// engines - by reference to a VARIANT. A null BSTR reads as "".
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "common/win/unique_resource.h"

namespace korvix {

class DialogArguments {
public:
    static constexpr UINT kCount = 3;

    // Takes the positional arguments (named ones are refused). On a type
    // that cannot become a string, returns DISP_E_TYPEMISMATCH with
    // *arg_err set to the argument's DISPPARAMS index.
    HRESULT read(const DISPPARAMS& params, UINT* arg_err) noexcept;

    // Slots for the method: owned here, the method may replace them.
    BSTR* slot(UINT i) noexcept { return values_[i].put_keep(); }

    // Copies the (possibly changed) values back into the caller's
    // by-reference arguments. Only string variables are written.
    HRESULT write_back() noexcept;

private:
    struct Value {
        BSTR text = nullptr;
        ~Value() { ::SysFreeString(text); }
        BSTR* put_keep() noexcept { return &text; }
    };
    Value values_[kCount];
    BSTR* targets_[kCount] = {};  // the caller's variable, when passed by reference
};

}  // namespace korvix
