// _Twain, the control's dual default interface: flags, the 41 vtable entries
// in order, and the dispatch face hosts bind to.
#include <gtest/gtest.h>

#include "control/korvix_ids.h"
#include "tests/wine/typelib/expected_interface.h"
#include "tests/wine/typelib/typelib_reader.h"

namespace korvix::test {
namespace {

constexpr WORD kDualFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                            TYPEFLAG_FDISPATCHABLE;

class DefaultInterface : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib_);
        ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(IID__Twain, dispatch_.put()));
        vtable_ = vtable_view(dispatch_.get());
        ASSERT_TRUE(vtable_);
    }

    com_apartment apartment_;
    com_ptr<ITypeLib> lib_ = load_module_library();
    com_ptr<ITypeInfo> dispatch_;
    com_ptr<ITypeInfo> vtable_;
};

TEST_F(DefaultInterface, IsAHiddenNonextensibleDualInterfaceOnIDispatch) {
    type_attr vt(vtable_.get());
    ASSERT_TRUE(vt);
    EXPECT_EQ(TKIND_INTERFACE, vt->typekind);
    EXPECT_EQ(kDualFlags, vt->wTypeFlags);
    EXPECT_EQ(kMemberCount, vt->cFuncs);
    EXPECT_EQ(0, vt->cVars);
    ASSERT_EQ(1, vt->cImplTypes);
    // IUnknown and IDispatch take the first seven slots.
    EXPECT_EQ((7 + kMemberCount) * sizeof(void*), vt->cbSizeVft);
    HREFTYPE href = 0;
    ASSERT_EQ(S_OK, vtable_->GetRefTypeOfImplType(0, &href));
    EXPECT_EQ(L"IDispatch", name_of(referenced(vtable_.get(), href).get()));

    type_attr disp(dispatch_.get());
    ASSERT_TRUE(disp);
    EXPECT_EQ(TKIND_DISPATCH, disp->typekind);
    // The platform derives the dispatch face and does not report FOLEAUTOMATION on it.
    EXPECT_EQ(kDualFlags & ~TYPEFLAG_FOLEAUTOMATION, disp->wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION);
    EXPECT_TRUE(::IsEqualGUID(IID__Twain, disp->guid));
}

TEST_F(DefaultInterface, DeclaresEveryMemberInVtableOrder) {
    for (UINT i = 0; i < kMemberCount; ++i) {
        const expected_member& m = kMembers[i];
        SCOPED_TRACE(std::wstring(m.name) + L" #" + std::to_wstring(i));
        func_desc f(vtable_.get(), i);
        ASSERT_TRUE(f);
        EXPECT_EQ(m.id, f->memid);
        EXPECT_EQ(m.kind, f->invkind);
        EXPECT_EQ(FUNC_PUREVIRTUAL, f->funckind);
        EXPECT_EQ(CC_STDCALL, f->callconv);
        EXPECT_EQ(0, f->wFuncFlags);  // nothing hidden, bindable, restricted or default
        EXPECT_EQ(static_cast<SHORT>((7 + i) * sizeof(void*)), f->oVft);
        EXPECT_EQ(L"HRESULT", describe(vtable_.get(), f->elemdescFunc.tdesc));
        EXPECT_EQ(0, f->cParamsOpt);

        const documentation doc = doc_of(vtable_.get(), m.id);
        EXPECT_EQ(m.name, doc.name);
        EXPECT_EQ(m.help, doc.help);
        EXPECT_EQ(m.context, doc.context);

        if (m.kind == GET) {
            ASSERT_EQ(1, f->cParams);
            EXPECT_EQ(std::wstring(L"PTR ") + m.type, describe(vtable_.get(), f->lprgelemdescParam[0].tdesc));
            EXPECT_EQ(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, f->lprgelemdescParam[0].paramdesc.wParamFlags);
        } else if (m.kind == LET || m.kind == SET) {
            ASSERT_EQ(1, f->cParams);
            EXPECT_EQ(m.type, describe(vtable_.get(), f->lprgelemdescParam[0].tdesc));
            EXPECT_EQ(PARAMFLAG_FIN, f->lprgelemdescParam[0].paramdesc.wParamFlags);
        } else if (!takes_dialog_strings(m)) {
            EXPECT_EQ(0, f->cParams);
        }
    }
}

TEST_F(DefaultInterface, NoMemberIsTheDefaultMember) {
    for (UINT i = 0; i < kMemberCount; ++i) {
        func_desc f(vtable_.get(), i);
        ASSERT_TRUE(f);
        EXPECT_NE(DISPID_VALUE, f->memid) << i;
    }
}

TEST_F(DefaultInterface, DialogMethodsTakeThreeOptionalStringsDefaultingToEmpty) {
    for (UINT i = 0; i < kMemberCount; ++i) {
        if (!takes_dialog_strings(kMembers[i])) continue;
        SCOPED_TRACE(kMembers[i].name);
        func_desc f(vtable_.get(), i);
        ASSERT_TRUE(f);
        ASSERT_EQ(3, f->cParams);
        // Optional through their defaults, not as variants.
        EXPECT_EQ(0, f->cParamsOpt);
        for (int p = 0; p < 3; ++p) {
            const ELEMDESC& param = f->lprgelemdescParam[p];
            EXPECT_EQ(L"PTR BSTR", describe(vtable_.get(), param.tdesc));
            EXPECT_EQ(PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT,
                      param.paramdesc.wParamFlags);
            ASSERT_NE(nullptr, param.paramdesc.pparamdescex);
            const VARIANT& def = param.paramdesc.pparamdescex->varDefaultValue;
            EXPECT_EQ(VT_BSTR, V_VT(&def));
            EXPECT_EQ(0u, ::SysStringLen(V_BSTR(&def)));
        }
        const std::vector<std::wstring> names = names_of(vtable_.get(), f->memid);
        EXPECT_EQ((std::vector<std::wstring>{kMembers[i].name, L"sFilter", L"sTitle", L"sInitDir"}), names);
    }
}

TEST_F(DefaultInterface, PropertyAccessorsShareOneName) {
    // A write's value is the unnamed right-hand side; GetNames gives the property.
    for (UINT i = 0; i < kMemberCount; ++i) {
        if (takes_dialog_strings(kMembers[i])) continue;
        func_desc f(vtable_.get(), i);
        ASSERT_TRUE(f);
        EXPECT_EQ(std::vector<std::wstring>{kMembers[i].name}, names_of(vtable_.get(), f->memid)) << i;
    }
    // Binding by name finds the property's DISPID whatever the accessor.
    std::wstring name = L"ColorType";
    LPOLESTR names[] = {name.data()};
    MEMBERID id = 0;
    ASSERT_EQ(S_OK, dispatch_->GetIDsOfNames(names, 1, &id));
    EXPECT_EQ(DISPID_Twain_ColorType, id);
}

// Finds the dispatch-face function with this DISPID and access kind.
int find_dispatch_member(ITypeInfo* info, MEMBERID id, INVOKEKIND kind) {
    type_attr attr(info);
    int found = -1;
    for (UINT i = 0; attr && i < attr->cFuncs; ++i) {
        func_desc f(info, i);
        if (f && f->memid == id && f->invkind == kind) {
            if (found >= 0) return -2;  // declared twice
            found = static_cast<int>(i);
        }
    }
    return found;
}

TEST_F(DefaultInterface, DispatchFaceReturnsValuesInsteadOfRetvalPointers) {
    for (const expected_member& m : kMembers) {
        SCOPED_TRACE(std::wstring(m.name) + L" " + std::to_wstring(m.kind));
        const int index = find_dispatch_member(dispatch_.get(), m.id, m.kind);
        ASSERT_GE(index, 0);
        func_desc f(dispatch_.get(), static_cast<UINT>(index));
        ASSERT_TRUE(f);
        EXPECT_EQ(FUNC_DISPATCH, f->funckind);
        if (m.kind == GET) {
            EXPECT_EQ(0, f->cParams);
            EXPECT_EQ(m.type, describe(dispatch_.get(), f->elemdescFunc.tdesc));
        } else if (m.kind == LET || m.kind == SET) {
            ASSERT_EQ(1, f->cParams);
            EXPECT_EQ(m.type, describe(dispatch_.get(), f->lprgelemdescParam[0].tdesc));
        } else {
            EXPECT_EQ(L"VOID", describe(dispatch_.get(), f->elemdescFunc.tdesc));
            EXPECT_EQ(takes_dialog_strings(m) ? 3 : 0, f->cParams);
        }
    }
}

TEST_F(DefaultInterface, ReadOnlyPropertiesHaveNoWriteAccessor) {
    for (MEMBERID id : {DISPID_Twain_FileType, DISPID_Twain_hDC, DISPID_Twain_hwnd, DISPID_Twain_BitmapWidth,
                        DISPID_Twain_BitmapHeight}) {
        for (ITypeInfo* face : {vtable_.get(), dispatch_.get()}) {
            EXPECT_EQ(-1, find_dispatch_member(face, id, INVOKE_PROPERTYPUT)) << std::hex << id;
            EXPECT_EQ(-1, find_dispatch_member(face, id, INVOKE_PROPERTYPUTREF)) << std::hex << id;
            EXPECT_GE(find_dispatch_member(face, id, INVOKE_PROPERTYGET), 0) << std::hex << id;
        }
    }
}

TEST_F(DefaultInterface, ObjectPropertiesAreWrittenByReferenceOnly) {
    for (MEMBERID id : {DISPID_Twain_Picture, DISPID_Twain_MouseIcon}) {
        EXPECT_GE(find_dispatch_member(vtable_.get(), id, INVOKE_PROPERTYPUTREF), 0) << std::hex << id;
        EXPECT_EQ(-1, find_dispatch_member(vtable_.get(), id, INVOKE_PROPERTYPUT)) << std::hex << id;
    }
}

TEST_F(DefaultInterface, PictureAndColourComeFromOleAutomation) {
    // OLE_COLOR and Picture are the stdole types with their fixed identifiers.
    const GUID ole_color = {0x66504301, 0xbe0f, 0x101a, {0x8b, 0xbb, 0x00, 0xaa, 0x00, 0x30, 0x0c, 0xab}};
    const GUID picture = {0x7bf80981, 0xbf32, 0x101a, {0x8b, 0xbb, 0x00, 0xaa, 0x00, 0x30, 0x0c, 0xab}};
    auto guid_of_param = [&](UINT index, bool pointer) {
        func_desc f(vtable_.get(), index);
        const TYPEDESC* t = &f->lprgelemdescParam[0].tdesc;
        if (pointer) t = t->lptdesc;
        EXPECT_EQ(VT_USERDEFINED, t->vt);
        auto ref = referenced(vtable_.get(), t->hreftype);
        type_attr attr(ref.get());
        return attr ? attr->guid : GUID{};
    };
    EXPECT_TRUE(::IsEqualGUID(ole_color, guid_of_param(4, false)));  // put BackColor
    EXPECT_TRUE(::IsEqualGUID(picture, guid_of_param(14, true)));    // putref Picture
    EXPECT_TRUE(::IsEqualGUID(picture, guid_of_param(10, true)));    // putref MouseIcon
}

}  // namespace
}  // namespace korvix::test
