#include "control/object/dispatch_members.h"

#include "common/win/unique_resource.h"

namespace korvix {

namespace {

// The interface a parameter points to, or GUID_NULL when it is no interface.
GUID interface_of(ITypeInfo* info, const TYPEDESC& type) noexcept {
    if (type.vt != VT_PTR || !type.lptdesc || type.lptdesc->vt != VT_USERDEFINED) return GUID_NULL;
    com_ptr<ITypeInfo> target;
    if (FAILED(info->GetRefTypeInfo(type.lptdesc->hreftype, target.put()))) return GUID_NULL;
    TYPEATTR* attr = nullptr;
    if (FAILED(target->GetTypeAttr(&attr)) || !attr) return GUID_NULL;
    GUID result = GUID_NULL;
    if (attr->typekind == TKIND_DISPATCH || attr->typekind == TKIND_INTERFACE) result = attr->guid;
    target->ReleaseTypeAttr(attr);
    return result;
}

// Whether an argument is an object the parameter's interface can be had from.
bool fits_object_parameter(const VARIANT& arg, const GUID& iid) noexcept {
    if (V_VT(&arg) != VT_DISPATCH && V_VT(&arg) != VT_UNKNOWN) return false;
    IUnknown* object = V_UNKNOWN(&arg);
    if (!object) return true;  // Nothing
    com_ptr<IUnknown> wanted;
    return SUCCEEDED(object->QueryInterface(iid, wanted.put_void())) && wanted;
}

}  // namespace

HRESULT DispatchMembers::load(ITypeInfo* info) noexcept {
    if (!info) return E_POINTER;
    try {
        TYPEATTR* attr = nullptr;
        KORVIX_RETURN_IF_FAILED(info->GetTypeAttr(&attr));
        const WORD count = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        std::vector<Member> members;
        for (WORD i = 0; i < count; ++i) {
            FUNCDESC* desc = nullptr;
            KORVIX_RETURN_IF_FAILED(info->GetFuncDesc(i, &desc));
            Member m;
            m.id = desc->memid;
            m.kind = desc->invkind;
            for (SHORT p = 0; p < desc->cParams; ++p) {
                const ELEMDESC& param = desc->lprgelemdescParam[p];
                const USHORT flags = param.paramdesc.wParamFlags;
                if (flags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)) continue;  // never passed by the caller
                ++m.allowed;
                if (!(flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT))) ++m.required;
                m.object_params.push_back(interface_of(info, param.tdesc));
            }
            info->ReleaseFuncDesc(desc);
            members.push_back(std::move(m));
        }
        members_ = std::move(members);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

const DispatchMembers::Member* DispatchMembers::find(DISPID id, WORD flags) const noexcept {
    for (const Member& m : members_)
        if (m.id == id && (m.kind & flags)) return &m;
    return nullptr;
}

HRESULT DispatchMembers::check(DISPID id, WORD flags, const DISPPARAMS& args, UINT* arg_err) const noexcept {
    const Member* member = find(id, flags);
    // A late-bound "obj.Picture = pic" arrives as a plain put of an object.
    if (!member && flags == DISPATCH_PROPERTYPUT) member = find(id, DISPATCH_PROPERTYPUTREF);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    if (args.cArgs < member->required || args.cArgs > member->allowed || args.cNamedArgs > args.cArgs)
        return DISP_E_BADPARAMCOUNT;
    if (args.cNamedArgs && !args.rgdispidNamedArgs) return DISP_E_PARAMNOTFOUND;

    const UINT last = member->allowed - 1;
    for (UINT k = 0; k < args.cArgs; ++k) {
        // Named arguments come first in rgvarg; positional ones follow, last parameter first.
        UINT param = args.cArgs - 1 - k;
        if (k < args.cNamedArgs) {
            const DISPID name = args.rgdispidNamedArgs[k];
            if (name == DISPID_PROPERTYPUT)
                param = last;
            else if (name >= 0 && static_cast<UINT>(name) < member->allowed)
                param = static_cast<UINT>(name);
            else
                continue;  // the type library's Invoke answers unknown names
        }
        const GUID& iid = member->object_params[param];
        if (IsEqualGUID(iid, GUID_NULL)) continue;
        if (!fits_object_parameter(args.rgvarg[k], iid)) {
            if (arg_err) *arg_err = k;
            return DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

}  // namespace korvix
