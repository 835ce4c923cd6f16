// The shape of every member of _Twain as its type information describes it:
// which invocation kinds it answers, how many arguments each takes, and
// which parameters are interface pointers. Invoke checks a call against it
// before the type library's own Invoke sees the call, because that one
// applies surplus arguments to whatever object a property returned (Nothing
// included) and answers a foreign object with a raw E_NOINTERFACE.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

namespace korvix {

class DispatchMembers {
public:
    // Reads the function descriptions of the dispatch view.
    HRESULT load(ITypeInfo* info) noexcept;

    // S_OK when the call may be forwarded. Otherwise DISP_E_MEMBERNOTFOUND,
    // DISP_E_BADPARAMCOUNT, or an argument refusal (DISP_E_TYPEMISMATCH,
    // DISP_E_OVERFLOW, DISP_E_PARAMNOTFOUND) with *arg_err set to the
    // DISPPARAMS index of the argument: an object that is not what the
    // parameter takes, a value that does not convert to the parameter's
    // type, or an omitted required argument. `args` are already dereferenced.
    HRESULT check(DISPID id, WORD flags, const DISPPARAMS& args, UINT* arg_err) const noexcept;

private:
    struct Member {
        DISPID id = DISPID_UNKNOWN;
        INVOKEKIND kind = INVOKE_FUNC;
        UINT required = 0;  // arguments the caller must pass
        UINT allowed = 0;   // arguments the caller may pass
        struct Param {
            VARTYPE type = VT_EMPTY;  // scalar type a value converts to; VT_EMPTY: not checked here
            GUID object = GUID_NULL;  // the interface an object parameter takes
            bool required = true;
        };
        std::vector<Param> params;
    };
    // The description the type library's Invoke would pick: the first one
    // with this id whose kind the flags ask for.
    const Member* find(DISPID id, WORD flags) const noexcept;
    static HRESULT check_argument(const VARIANT& arg, const Member::Param& param) noexcept;

    std::vector<Member> members_;
};

}  // namespace korvix
