// The library as a whole: attributes, the six types in order, the class, the
// enumerations and the import of OLE Automation.
#include <gtest/gtest.h>

#include "control/korvix_ids.h"
#include "tests/wine/typelib/typelib_reader.h"

namespace korvix::test {
namespace {

class TypeLibrary : public ::testing::Test {
protected:
    com_apartment apartment_;
    com_ptr<ITypeLib> lib_ = load_module_library();
};

TEST_F(TypeLibrary, CarriesItsAttributes) {
    ASSERT_TRUE(lib_);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, lib_->GetLibAttr(&attr));
    EXPECT_TRUE(::IsEqualGUID(attr->guid, LIBID_Korvix)) << guid_text(attr->guid);
    EXPECT_EQ(0x0409u, attr->lcid);
    // Each bitness's module describes itself, so both register side by side.
#ifdef _WIN64
    EXPECT_EQ(SYS_WIN64, attr->syskind);
#else
    EXPECT_EQ(SYS_WIN32, attr->syskind);
#endif
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    // The loader adds FHASDISKIMAGE to a library read from a file.
    EXPECT_EQ(LIBFLAG_FCONTROL, attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE);
    lib_->ReleaseTLibAttr(attr);

    unique_bstr name, help, file;
    DWORD context = 0xDEADBEEF;
    ASSERT_EQ(S_OK, lib_->GetDocumentation(-1, name.put(), help.put(), &context, file.put()));
    EXPECT_EQ(L"Korvix", text(name.get()));
    EXPECT_EQ(L"Valdane Korvid Lite ActiveX Version 1.1", text(help.get()));
    EXPECT_EQ(0u, context);
    EXPECT_EQ(L"korvix.hlp", text(file.get()));
}

TEST_F(TypeLibrary, HoldsSixTypesInOrder) {
    ASSERT_TRUE(lib_);
    struct row {
        const wchar_t* name;
        TYPEKIND kind;
        GUID guid;
    };
    // The dual _Twain shows its dispatch face first, as it does on Windows.
    const row expected[] = {
        {L"_Twain", TKIND_DISPATCH, IID__Twain},
        {L"Twain", TKIND_COCLASS, CLSID_Twain},
        {L"__Twain", TKIND_DISPATCH, DIID___Twain},
        {L"IMAGE_COLORTYPE", TKIND_ENUM, GUID_IMAGE_COLORTYPE},
        {L"IMAGE_TYPE", TKIND_ENUM, GUID_IMAGE_TYPE},
        {L"FIT_TYPE", TKIND_ENUM, GUID_FIT_TYPE},
    };
    ASSERT_EQ(6u, lib_->GetTypeInfoCount());
    for (UINT i = 0; i < 6; ++i) {
        SCOPED_TRACE(expected[i].name);
        TYPEKIND kind = TKIND_MAX;
        EXPECT_EQ(S_OK, lib_->GetTypeInfoType(i, &kind));
        EXPECT_EQ(expected[i].kind, kind);
        auto info = type_at(lib_.get(), i);
        ASSERT_TRUE(info);
        EXPECT_EQ(expected[i].name, name_of(info.get()));
        type_attr attr(info.get());
        ASSERT_TRUE(attr);
        EXPECT_TRUE(::IsEqualGUID(expected[i].guid, attr->guid)) << guid_text(attr->guid);
        EXPECT_EQ(1, attr->wMajorVerNum);
        EXPECT_EQ(0, attr->wMinorVerNum);
        EXPECT_EQ(0x0409u, attr->lcid);
    }
}

TEST_F(TypeLibrary, FindsEveryTypeByItsGuid) {
    ASSERT_TRUE(lib_);
    for (const GUID& guid : {IID__Twain, CLSID_Twain, DIID___Twain, GUID_IMAGE_COLORTYPE, GUID_IMAGE_TYPE, GUID_FIT_TYPE}) {
        com_ptr<ITypeInfo> info;
        EXPECT_EQ(S_OK, lib_->GetTypeInfoOfGuid(guid, info.put())) << guid_text(guid);
    }
}

TEST_F(TypeLibrary, ImportsOleAutomation) {
    ASSERT_TRUE(lib_);
    // IDispatch, base of _Twain, comes from stdole2 (OLE Automation 2.0).
    auto dual = type_at(lib_.get(), 0);
    auto vtable = vtable_view(dual.get());
    ASSERT_TRUE(vtable);
    HREFTYPE href = 0;
    ASSERT_EQ(S_OK, vtable->GetRefTypeOfImplType(0, &href));
    auto base = referenced(vtable.get(), href);
    ASSERT_TRUE(base);
    EXPECT_EQ(L"IDispatch", name_of(base.get()));
    com_ptr<ITypeLib> container;
    UINT index = 0;
    ASSERT_EQ(S_OK, base->GetContainingTypeLib(container.put(), &index));
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, container->GetLibAttr(&attr));
    const GUID stdole = {0x00020430, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
    EXPECT_TRUE(::IsEqualGUID(stdole, attr->guid)) << guid_text(attr->guid);
    EXPECT_EQ(2, attr->wMajorVerNum);
    container->ReleaseTLibAttr(attr);
}

TEST_F(TypeLibrary, ClassIsAControlWithTwoDefaultInterfaces) {
    ASSERT_TRUE(lib_);
    com_ptr<ITypeInfo> cls;
    ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(CLSID_Twain, cls.put()));
    type_attr attr(cls.get());
    ASSERT_TRUE(attr);
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    // Hosts create it as a control: not flagged creatable, nothing else.
    EXPECT_EQ(TYPEFLAG_FCONTROL, attr->wTypeFlags);
    ASSERT_EQ(2, attr->cImplTypes);
    EXPECT_EQ(L"", doc_of(cls.get(), MEMBERID_NIL).help);

    struct impl {
        const wchar_t* name;
        INT flags;
    } expected[] = {{L"_Twain", IMPLTYPEFLAG_FDEFAULT}, {L"__Twain", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
    for (UINT i = 0; i < 2; ++i) {
        HREFTYPE href = 0;
        ASSERT_EQ(S_OK, cls->GetRefTypeOfImplType(i, &href));
        auto ref = referenced(cls.get(), href);
        ASSERT_TRUE(ref);
        EXPECT_EQ(expected[i].name, name_of(ref.get()));
        INT flags = -1;
        EXPECT_EQ(S_OK, cls->GetImplTypeFlags(i, &flags));
        EXPECT_EQ(expected[i].flags, flags) << expected[i].name;
    }
}

struct expected_enum {
    const wchar_t* name;
    std::vector<std::pair<const wchar_t*, int>> constants;
};

TEST_F(TypeLibrary, EnumerationsListTheirConstantsWithTheirOwnNamesAsHelp) {
    ASSERT_TRUE(lib_);
    const expected_enum expected[] = {
        {L"IMAGE_COLORTYPE", {{L"twGrayScale", 1}}},
        {L"IMAGE_TYPE", {{L"twBITMAP", 0}}},
        {L"FIT_TYPE", {{L"twFITNONE", 0}, {L"twFITINTO", 1}, {L"twFITWIDTH", 2}, {L"twFITSTRECH", 3}}},
    };
    for (UINT e = 0; e < 3; ++e) {
        SCOPED_TRACE(expected[e].name);
        auto info = type_at(lib_.get(), 3 + e);
        type_attr attr(info.get());
        ASSERT_TRUE(attr);
        EXPECT_EQ(TKIND_ENUM, attr->typekind);
        EXPECT_EQ(0, attr->wTypeFlags);
        EXPECT_EQ(0, attr->cFuncs);
        ASSERT_EQ(expected[e].constants.size(), attr->cVars);
        for (UINT i = 0; i < attr->cVars; ++i) {
            const auto& [name, value] = expected[e].constants[i];
            SCOPED_TRACE(name);
            var_desc var(info.get(), i);
            ASSERT_TRUE(var);
            EXPECT_EQ(VAR_CONST, var->varkind);
            EXPECT_EQ(L"INT", describe(info.get(), var->elemdescVar.tdesc));
            ASSERT_NE(nullptr, var->lpvarValue);
            VARIANT as_int;
            ::VariantInit(&as_int);
            ASSERT_EQ(S_OK, ::VariantChangeType(&as_int, var->lpvarValue, 0, VT_I4));
            EXPECT_EQ(value, V_I4(&as_int));
            const documentation doc = doc_of(info.get(), var->memid);
            EXPECT_EQ(name, doc.name);
            EXPECT_EQ(name, doc.help);
        }
    }
}

TEST_F(TypeLibrary, NamesResolveThroughTheLibrary) {
    ASSERT_TRUE(lib_);
    // What a host's binder does with a constant's name.
    for (const wchar_t* wanted : {L"twFITSTRECH", L"twBITMAP", L"Twain", L"IMAGE_COLORTYPE"}) {
        std::wstring name = wanted;
        ITypeInfo* found[2] = {};
        MEMBERID ids[2] = {};
        USHORT count = 2;
        ASSERT_EQ(S_OK, lib_->FindName(name.data(), 0, found, ids, &count)) << wanted;
        EXPECT_GE(count, 1) << wanted;
        for (USHORT i = 0; i < count; ++i) found[i]->Release();
    }
    std::wstring misspelt = L"twFITSTRETCH";  // the library keeps its own spelling
    ITypeInfo* found[1] = {};
    MEMBERID ids[1] = {};
    USHORT count = 1;
    EXPECT_EQ(S_OK, lib_->FindName(misspelt.data(), 0, found, ids, &count));
    EXPECT_EQ(0, count);
}

}  // namespace
}  // namespace korvix::test
