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
    // DISP_E_BADPARAMCOUNT, or DISP_E_TYPEMISMATCH with *arg_err set to the
    // DISPPARAMS index of an object argument that is not what the parameter
    // takes. `args` are already dereferenced.
    HRESULT check(DISPID id, WORD flags, const DISPPARAMS& args, UINT* arg_err) const noexcept;

private:
    struct Member {
        DISPID id = DISPID_UNKNOWN;
        INVOKEKIND kind = INVOKE_FUNC;
        UINT required = 0;  // arguments the caller must pass
        UINT allowed = 0;   // arguments the caller may pass
        std::vector<GUID> object_params;  // per parameter: its interface, GUID_NULL for any other type
    };
    // The description the type library's Invoke would pick: the first one
    // with this id whose kind the flags ask for.
    const Member* find(DISPID id, WORD flags) const noexcept;

    std::vector<Member> members_;
};

}  // namespace korvix
