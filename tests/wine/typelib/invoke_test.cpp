// The control dispatches through ITypeInfo::Invoke with this library, so
// every DISPID and access kind must land on the matching entry of ITwain.
#include <gtest/gtest.h>
#include <olectl.h>

#include "control/korvix_ids.h"
#include "tests/wine/typelib/expected_interface.h"
#include "tests/wine/typelib/twain_recorder.h"
#include "tests/wine/typelib/typelib_reader.h"

namespace korvix::test {
namespace {

struct sample_value {
    VARIANT value;
    std::wstring rendered;
};

class InvokeThroughTypeInfo : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib_);
        ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(IID__Twain, info_.put()));
        if (std::string(GetParam()) == "vtable") info_ = vtable_view(info_.get());
        ASSERT_TRUE(info_);
        PICTDESC desc{sizeof(PICTDESC), PICTYPE_NONE};
        ASSERT_EQ(S_OK, ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture_.put_void()));
    }

    sample_value sample_for(const std::wstring& type) {
        sample_value s;
        ::VariantInit(&s.value);
        if (type == L"I2") {
            V_VT(&s.value) = VT_I2;
            V_I2(&s.value) = 7;
            s.rendered = L"7";
        } else if (type == L"BOOL") {
            V_VT(&s.value) = VT_BOOL;
            V_BOOL(&s.value) = VARIANT_TRUE;
            s.rendered = L"-1";
        } else if (type == L"BSTR") {
            V_VT(&s.value) = VT_BSTR;
            V_BSTR(&s.value) = ::SysAllocString(L"text");
            s.rendered = L"text";
        } else if (type == L"PTR Picture") {
            V_VT(&s.value) = VT_DISPATCH;
            V_DISPATCH(&s.value) = picture_.get();
            picture_->AddRef();
            s.rendered = L"picture";
        } else {  // Long, OLE_COLOR and the enumerations
            V_VT(&s.value) = VT_I4;
            V_I4(&s.value) = 255;
            s.rendered = L"255";
        }
        return s;
    }

    HRESULT invoke(MEMBERID id, WORD flags, std::vector<VARIANT>& args, VARIANT* result) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        EXCEPINFO excep{};
        UINT arg_error = 0;
        const HRESULT hr = info_->Invoke(static_cast<ITwain*>(&recorder_), id, flags, &params, result, &excep, &arg_error);
        ::SysFreeString(excep.bstrSource);
        ::SysFreeString(excep.bstrDescription);
        ::SysFreeString(excep.bstrHelpFile);
        return hr;
    }

    std::wstring last_call() const { return recorder_.calls.empty() ? L"<none>" : recorder_.calls.back(); }

    com_apartment apartment_;
    com_ptr<ITypeLib> lib_ = load_module_library();
    com_ptr<ITypeInfo> info_;
    com_ptr<IPictureDisp> picture_;
    twain_recorder recorder_;
};

TEST_P(InvokeThroughTypeInfo, EveryMemberReachesItsOwnVtableEntry) {
    for (const expected_member& m : kMembers) {
        if (takes_dialog_strings(m)) continue;  // covered below
        std::vector<VARIANT> args;
        std::wstring expected;
        WORD flags = DISPATCH_METHOD;
        if (m.kind == GET) {
            flags = DISPATCH_PROPERTYGET;
            expected = std::wstring(L"get_") + m.name;
        } else if (m.kind == LET || m.kind == SET) {
            flags = m.kind == LET ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
            sample_value s = sample_for(m.type);
            args.push_back(s.value);
            expected = std::wstring(m.kind == LET ? L"put_" : L"putref_") + m.name + L"(" + s.rendered + L")";
        } else {
            expected = m.name;
        }
        VARIANT result;
        ::VariantInit(&result);
        const size_t before = recorder_.calls.size();
        EXPECT_EQ(S_OK, invoke(m.id, flags, args, &result)) << expected;
        EXPECT_EQ(before + 1, recorder_.calls.size()) << expected;
        EXPECT_EQ(expected, last_call());
        ::VariantClear(&result);
        for (VARIANT& v : args) ::VariantClear(&v);
    }
}

TEST_P(InvokeThroughTypeInfo, ReadsComeBackAsTheirAutomationTypes) {
    std::vector<VARIANT> none;
    VARIANT result;
    ::VariantInit(&result);
    ASSERT_EQ(S_OK, invoke(DISPID_Twain_Resolution, DISPATCH_PROPERTYGET, none, &result));
    EXPECT_EQ(VT_I2, V_VT(&result));
    EXPECT_EQ(300, V_I2(&result));
    ::VariantClear(&result);
    ASSERT_EQ(S_OK, invoke(DISPID_Twain_BackColor, DISPATCH_PROPERTYGET, none, &result));
    EXPECT_EQ(VT_UI4, V_VT(&result));  // OLE_COLOR is unsigned
    EXPECT_EQ(0x8000000Fu, V_UI4(&result));
    ::VariantClear(&result);
    ASSERT_EQ(S_OK, invoke(DISPID_Twain_ToolTipText, DISPATCH_PROPERTYGET, none, &result));
    EXPECT_EQ(VT_BSTR, V_VT(&result));
    EXPECT_EQ(L"tip", text(V_BSTR(&result)));
    ::VariantClear(&result);
}

TEST_P(InvokeThroughTypeInfo, FileTypeCannotBeWritten) {
    std::vector<VARIANT> args(1);
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = 1;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(DISPID_Twain_FileType, DISPATCH_PROPERTYPUT, args, nullptr));
    EXPECT_TRUE(recorder_.calls.empty()) << last_call();
}

// Omitted trailing strings are not exercised here: Wine's ITypeInfo::Invoke
// hands the default of an omitted [in, out] BSTR* over by value, so the
// control's own IDispatch fills them in before delegating (and tests that).
TEST_P(InvokeThroughTypeInfo, DialogStringsReachTheMethodInOrder) {
    const wchar_t* given[] = {L"Bitmaps|*.bmp", L"Save as", L"C:\\scans"};
    for (MEMBERID id : {DISPID_Twain_ShowSave, DISPID_Twain_ShowLoad}) {
        const std::wstring method = id == DISPID_Twain_ShowSave ? L"ShowSave" : L"ShowLoad";
        std::vector<VARIANT> args(3);
        for (UINT i = 0; i < 3; ++i) {  // DISPPARAMS holds arguments last to first
            V_VT(&args[2 - i]) = VT_BSTR;
            V_BSTR(&args[2 - i]) = ::SysAllocString(given[i]);
        }
        EXPECT_EQ(S_OK, invoke(id, DISPATCH_METHOD, args, nullptr)) << method;
        EXPECT_EQ(method + L"(Bitmaps|*.bmp|Save as|C:\\scans)", last_call());
        for (VARIANT& v : args) ::VariantClear(&v);
    }
}

TEST_P(InvokeThroughTypeInfo, DialogStringsPassedByReferenceComeBackChanged) {
    BSTR slots[3] = {::SysAllocString(L"*.png"), ::SysAllocString(L"Open"), ::SysAllocString(L"C:\\start")};
    std::vector<VARIANT> args(3);
    for (UINT i = 0; i < 3; ++i) {
        V_VT(&args[2 - i]) = VT_BSTR | VT_BYREF;
        V_BSTRREF(&args[2 - i]) = &slots[i];
    }
    EXPECT_EQ(S_OK, invoke(DISPID_Twain_ShowLoad, DISPATCH_METHOD, args, nullptr));
    EXPECT_EQ(L"ShowLoad(*.png|Open|C:\\start)", last_call());
    EXPECT_EQ(L"*.png", text(slots[0]));
    EXPECT_EQ(L"Open", text(slots[1]));
    EXPECT_EQ(L"C:\\picked", text(slots[2]));  // [in, out]: the caller sees the change
    for (BSTR s : slots) ::SysFreeString(s);
}

INSTANTIATE_TEST_SUITE_P(BothFaces, InvokeThroughTypeInfo, ::testing::Values("dispatch", "vtable"));

}  // namespace
}  // namespace korvix::test
