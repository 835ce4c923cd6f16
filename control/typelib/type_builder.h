// Helpers for writing type descriptions through ICreateTypeInfo2: element
// types with stable storage, and the stdole types the library refers to.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <deque>

#include "common/win/unique_resource.h"
#include "control/typelib/twain_members.h"

namespace korvix::typelib {

// The stdole2 types and the library's own enumerations that members refer to.
struct referenced_types {
    com_ptr<ITypeInfo> dispatch;         // IDispatch
    com_ptr<ITypeInfo> ole_color;        // OLE_COLOR alias
    com_ptr<ITypeInfo> picture;          // Picture dispinterface
    com_ptr<ITypeInfo> image_type;       // IMAGE_TYPE
    com_ptr<ITypeInfo> image_colortype;  // IMAGE_COLORTYPE
};

// Loads the registered OLE Automation library (stdole2) and picks its types.
void load_stdole_types(referenced_types& refs);

// Builds ELEMDESCs for one type description; reference handles are local to
// the type description, so one instance serves one ICreateTypeInfo.
class element_types {
public:
    element_types(ICreateTypeInfo* target, const referenced_types& refs) noexcept : target_(target), refs_(refs) {}

    // The value itself, as a property write or a by-value parameter takes it.
    ELEMDESC value(value_type type, USHORT flags);
    // A pointer to the value: a read's retval or a by-reference parameter.
    ELEMDESC pointer_to(value_type type, USHORT flags);
    // A plain automation type (VT_HRESULT, VT_VOID...).
    static ELEMDESC simple(VARTYPE vt, USHORT flags = PARAMFLAG_NONE) noexcept;

    // A reference handle for another type, valid inside this type description.
    HREFTYPE reference(ITypeInfo* type);

private:
    TYPEDESC type_of(value_type type);
    TYPEDESC* keep(TYPEDESC desc);

    ICreateTypeInfo* target_;
    const referenced_types& refs_;
    std::deque<TYPEDESC> storage_;  // pointed to by the descriptions handed out
};

// A type description's ITypeInfo view (to refer to it from another one).
com_ptr<ITypeInfo> as_type_info(ICreateTypeInfo* info);

}  // namespace korvix::typelib
