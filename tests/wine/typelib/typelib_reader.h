// Reads the type library embedded in the built module the way an object
// browser does: through ITypeLib / ITypeInfo only.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "tests/wine/module/module_under_test.h"

namespace korvix::test {

inline std::wstring text(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring(); }

inline com_ptr<ITypeLib> load_module_library() {
    com_ptr<ITypeLib> lib;
    const HRESULT hr = ::LoadTypeLibEx(ocx_path().c_str(), REGKIND_NONE, lib.put());
    EXPECT_EQ(S_OK, hr) << "LoadTypeLibEx on the module";
    return lib;
}

struct documentation {
    std::wstring name;
    std::wstring help;
    DWORD context = 0xDEADBEEF;  // sentinel: must be overwritten
    std::wstring help_file;
};

inline documentation doc_of(ITypeInfo* info, MEMBERID id) {
    unique_bstr name, help, file;
    documentation d;
    EXPECT_EQ(S_OK, info->GetDocumentation(id, name.put(), help.put(), &d.context, file.put()));
    d.name = text(name.get());
    d.help = text(help.get());
    d.help_file = text(file.get());
    return d;
}

inline std::wstring name_of(ITypeInfo* info) { return doc_of(info, MEMBERID_NIL).name; }

// A type as a browser prints it: "PTR PTR Picture", "I2", "OLE_COLOR".
inline std::wstring describe(ITypeInfo* owner, const TYPEDESC& t) {
    switch (t.vt) {
    case VT_PTR: return L"PTR " + describe(owner, *t.lptdesc);
    case VT_USERDEFINED: {
        com_ptr<ITypeInfo> ref;
        if (FAILED(owner->GetRefTypeInfo(t.hreftype, ref.put()))) return L"<bad reference>";
        return name_of(ref.get());
    }
    case VT_I2: return L"I2";
    case VT_I4: return L"I4";
    case VT_INT: return L"INT";
    case VT_R4: return L"R4";
    case VT_BOOL: return L"BOOL";
    case VT_BSTR: return L"BSTR";
    case VT_HRESULT: return L"HRESULT";
    case VT_VOID: return L"VOID";
    default: return L"VT" + std::to_wstring(t.vt);
    }
}

// The names GetNames reports for a member: the member, then its parameters.
inline std::vector<std::wstring> names_of(ITypeInfo* info, MEMBERID id) {
    BSTR raw[8] = {};
    UINT count = 0;
    EXPECT_EQ(S_OK, info->GetNames(id, raw, 8, &count));
    std::vector<std::wstring> names;
    for (UINT i = 0; i < count; ++i) {
        names.push_back(text(raw[i]));
        ::SysFreeString(raw[i]);
    }
    return names;
}

// Owns a FUNCDESC / VARDESC / TYPEATTR for the length of a check.
class func_desc {
public:
    func_desc(ITypeInfo* info, UINT index) : info_(info) { EXPECT_EQ(S_OK, info->GetFuncDesc(index, &desc_)); }
    ~func_desc() {
        if (desc_) info_->ReleaseFuncDesc(desc_);
    }
    func_desc(const func_desc&) = delete;
    func_desc& operator=(const func_desc&) = delete;
    const FUNCDESC* operator->() const { return desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

private:
    ITypeInfo* info_;
    FUNCDESC* desc_ = nullptr;
};

class var_desc {
public:
    var_desc(ITypeInfo* info, UINT index) : info_(info) { EXPECT_EQ(S_OK, info->GetVarDesc(index, &desc_)); }
    ~var_desc() {
        if (desc_) info_->ReleaseVarDesc(desc_);
    }
    var_desc(const var_desc&) = delete;
    var_desc& operator=(const var_desc&) = delete;
    const VARDESC* operator->() const { return desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

private:
    ITypeInfo* info_;
    VARDESC* desc_ = nullptr;
};

class type_attr {
public:
    explicit type_attr(ITypeInfo* info) : info_(info) { EXPECT_EQ(S_OK, info->GetTypeAttr(&attr_)); }
    ~type_attr() {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    type_attr(const type_attr&) = delete;
    type_attr& operator=(const type_attr&) = delete;
    const TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

inline com_ptr<ITypeInfo> type_at(ITypeLib* lib, UINT index) {
    com_ptr<ITypeInfo> info;
    EXPECT_EQ(S_OK, lib->GetTypeInfo(index, info.put()));
    return info;
}

inline com_ptr<ITypeInfo> referenced(ITypeInfo* info, HREFTYPE href) {
    com_ptr<ITypeInfo> ref;
    EXPECT_EQ(S_OK, info->GetRefTypeInfo(href, ref.put()));
    return ref;
}

// The vtable view of a dual interface.
inline com_ptr<ITypeInfo> vtable_view(ITypeInfo* dual) {
    HREFTYPE href = 0;
    EXPECT_EQ(S_OK, dual->GetRefTypeOfImplType(static_cast<UINT>(-1), &href));
    return referenced(dual, href);
}

inline std::wstring guid_text(const GUID& g) {
    wchar_t buffer[40] = {};
    ::StringFromGUID2(g, buffer, 40);
    return buffer;
}

}  // namespace korvix::test
