#include "control/object/dispatch_members.h"

#include <memory>

#include "common/win/unique_resource.h"

namespace korvix {

namespace {

// What a parameter takes: an interface it points to, or the scalar type
// (aliases such as OLE_COLOR resolved) a value must convert to.
void describe_parameter(ITypeInfo* info, const TYPEDESC& type, VARTYPE& scalar, GUID& object) noexcept {
    scalar = VT_EMPTY;
    object = GUID_NULL;
    if (type.vt != VT_PTR && type.vt != VT_USERDEFINED) {
        if (type.vt == VT_I2 || type.vt == VT_I4 || type.vt == VT_BOOL || type.vt == VT_BSTR || type.vt == VT_R4 ||
            type.vt == VT_R8 || type.vt == VT_UI4 || type.vt == VT_INT)
            scalar = type.vt;
        return;
    }
    const TYPEDESC* target_type = type.vt == VT_PTR ? type.lptdesc : &type;
    if (!target_type || target_type->vt != VT_USERDEFINED) return;
    com_ptr<ITypeInfo> target;
    if (FAILED(info->GetRefTypeInfo(target_type->hreftype, target.put()))) return;
    TYPEATTR* attr = nullptr;
    if (FAILED(target->GetTypeAttr(&attr)) || !attr) return;
    if (type.vt == VT_PTR && (attr->typekind == TKIND_DISPATCH || attr->typekind == TKIND_INTERFACE))
        object = attr->guid;
    else if (type.vt == VT_USERDEFINED && attr->typekind == TKIND_ALIAS)
        describe_parameter(target.get(), attr->tdescAlias, scalar, object);
    else if (type.vt == VT_USERDEFINED && attr->typekind == TKIND_ENUM)
        scalar = VT_I4;
    target->ReleaseTypeAttr(attr);
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
        const auto release = [info](FUNCDESC* d) { info->ReleaseFuncDesc(d); };
        for (WORD i = 0; i < count; ++i) {
            FUNCDESC* desc = nullptr;
            KORVIX_RETURN_IF_FAILED(info->GetFuncDesc(i, &desc));
            const std::unique_ptr<FUNCDESC, decltype(release)> held(desc, release);  // also when push_back throws
            Member m;
            m.id = desc->memid;
            m.kind = desc->invkind;
            for (SHORT p = 0; p < desc->cParams; ++p) {
                const ELEMDESC& param = desc->lprgelemdescParam[p];
                const USHORT flags = param.paramdesc.wParamFlags;
                if (flags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)) continue;  // never passed by the caller
                ++m.allowed;
                Member::Param shape;
                shape.required = !(flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT));
                if (shape.required) ++m.required;
                describe_parameter(info, param.tdesc, shape.type, shape.object);
                m.params.push_back(shape);
            }
            members.push_back(std::move(m));
        }
        members_ = std::move(members);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT DispatchMembers::check_argument(const VARIANT& arg, const Member::Param& param) noexcept {
    if (V_VT(&arg) == VT_ERROR && V_ERROR(&arg) == DISP_E_PARAMNOTFOUND)
        return param.required ? DISP_E_PARAMNOTFOUND : S_OK;  // omitted
    if (!IsEqualGUID(param.object, GUID_NULL))
        return fits_object_parameter(arg, param.object) ? S_OK : DISP_E_TYPEMISMATCH;
    // Already of the parameter's type (the usual case): nothing to convert,
    // and no long string copied only to be thrown away.
    if (param.type == VT_EMPTY || V_VT(&arg) == param.type) return S_OK;
    VARIANT converted;
    ::VariantInit(&converted);
    const HRESULT hr = ::VariantChangeType(&converted, const_cast<VARIANT*>(&arg), 0, param.type);
    ::VariantClear(&converted);
    return FAILED(hr) ? (hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH) : S_OK;
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
        const HRESULT hr = check_argument(args.rgvarg[k], member->params[param]);
        if (FAILED(hr)) {
            if (arg_err) *arg_err = k;
            return hr;
        }
    }
    return S_OK;
}

}  // namespace korvix
