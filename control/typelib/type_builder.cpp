#include "control/typelib/type_builder.h"

#include <oleauto.h>

namespace korvix::typelib {

namespace {

// {00020430-0000-0000-C000-000000000046}: stdole2, OLE Automation.
constexpr GUID kStdOleLibId = {0x00020430, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {66504301-BE0F-101A-8BBB-00AA00300CAB}
constexpr GUID kOleColorGuid = {0x66504301, 0xbe0f, 0x101a, {0x8b, 0xbb, 0x00, 0xaa, 0x00, 0x30, 0x0c, 0xab}};
// {7BF80981-BF32-101A-8BBB-00AA00300CAB}
constexpr GUID kPictureDispGuid = {0x7bf80981, 0xbf32, 0x101a, {0x8b, 0xbb, 0x00, 0xaa, 0x00, 0x30, 0x0c, 0xab}};

com_ptr<ITypeInfo> type_of_guid(ITypeLib* lib, const GUID& guid, const char* what) {
    com_ptr<ITypeInfo> info;
    throw_if_failed(lib->GetTypeInfoOfGuid(guid, info.put()), what);
    return info;
}

}  // namespace

void load_stdole_types(referenced_types& refs) {
    com_ptr<ITypeLib> stdole;
    throw_if_failed(::LoadRegTypeLib(kStdOleLibId, 2, 0, LOCALE_NEUTRAL, stdole.put()),
                    "stdole2 (OLE Automation 2.0) is not registered");
    refs.dispatch = type_of_guid(stdole.get(), IID_IDispatch, "stdole2 has no IDispatch");
    refs.ole_color = type_of_guid(stdole.get(), kOleColorGuid, "stdole2 has no OLE_COLOR");
    refs.picture = type_of_guid(stdole.get(), kPictureDispGuid, "stdole2 has no Picture");
}

HREFTYPE element_types::reference(ITypeInfo* type) {
    HREFTYPE href = 0;
    throw_if_failed(target_->AddRefTypeInfo(type, &href), "AddRefTypeInfo failed");
    return href;
}

TYPEDESC* element_types::keep(TYPEDESC desc) {
    storage_.push_back(desc);
    return &storage_.back();
}

TYPEDESC element_types::type_of(value_type type) {
    TYPEDESC desc{};
    auto user_defined = [&](ITypeInfo* info) {
        desc.vt = VT_USERDEFINED;
        desc.hreftype = reference(info);
    };
    switch (type) {
    case value_type::integer: desc.vt = VT_I2; break;
    case value_type::long_integer: desc.vt = VT_I4; break;
    case value_type::single: desc.vt = VT_R4; break;
    case value_type::boolean: desc.vt = VT_BOOL; break;
    case value_type::string: desc.vt = VT_BSTR; break;
    case value_type::ole_color: user_defined(refs_.ole_color.get()); break;
    case value_type::image_type: user_defined(refs_.image_type.get()); break;
    case value_type::image_colortype: user_defined(refs_.image_colortype.get()); break;
    case value_type::picture: {
        // Object properties travel as a pointer to the Picture dispinterface.
        TYPEDESC target{};
        target.vt = VT_USERDEFINED;
        target.hreftype = reference(refs_.picture.get());
        desc.vt = VT_PTR;
        desc.lptdesc = keep(target);
        break;
    }
    case value_type::none: throw hresult_error(E_INVALIDARG, "a member without a type has no value");
    }
    return desc;
}

ELEMDESC element_types::value(value_type type, USHORT flags) {
    ELEMDESC elem{};
    elem.tdesc = type_of(type);
    elem.paramdesc.wParamFlags = flags;
    return elem;
}

ELEMDESC element_types::pointer_to(value_type type, USHORT flags) {
    ELEMDESC elem{};
    elem.tdesc.vt = VT_PTR;
    elem.tdesc.lptdesc = keep(type_of(type));
    elem.paramdesc.wParamFlags = flags;
    return elem;
}

ELEMDESC element_types::simple(VARTYPE vt, USHORT flags) noexcept {
    ELEMDESC elem{};
    elem.tdesc.vt = vt;
    elem.paramdesc.wParamFlags = flags;
    return elem;
}

com_ptr<ITypeInfo> as_type_info(ICreateTypeInfo* info) {
    com_ptr<ITypeInfo> type;
    throw_if_failed(info->QueryInterface(IID_ITypeInfo, type.put_void()), "type description has no ITypeInfo");
    return type;
}

}  // namespace korvix::typelib
