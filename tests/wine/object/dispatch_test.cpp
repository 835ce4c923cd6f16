// Late-bound calls as hosts and script engines make them.
#include <gtest/gtest.h>

#include "object_test_support.h"
#include "tests/wine/hostkit/modal_watcher.h"

namespace korvix::object_test {
namespace {

VARIANT by_ref_variant(VARIANT* inner) {
    VARIANT r;
    V_VT(&r) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&r) = inner;
    return r;
}

VARIANT omitted() {
    VARIANT r;
    V_VT(&r) = VT_ERROR;
    V_ERROR(&r) = DISP_E_PARAMNOTFOUND;
    return r;
}

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        control = create_initialised();
        ASSERT_TRUE(control);
        com_ptr<IConnectionPointContainer> cpc =
            control.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
        ASSERT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, changes.put()), S_OK);
        ASSERT_EQ(changes->Advise(&notify, &cookie), S_OK);
    }
    void TearDown() override {
        if (changes) changes->Unadvise(cookie);
    }
    com_ptr<IDispatch> control;
    com_ptr<IConnectionPoint> changes;
    NotifyRecorder notify;
    DWORD cookie = 0;
};

TEST_F(DispatchTest, NewInstanceDefaults) {
    EXPECT_EQ(get_long(control.get(), L"Resolution"), 75);
    EXPECT_EQ(get_long(control.get(), L"ShowProgress"), -1);
    EXPECT_EQ(get_long(control.get(), L"ShowInterface"), 0);
    EXPECT_EQ(get_long(control.get(), L"AutoRedraw"), -1);
    EXPECT_EQ(get_long(control.get(), L"Scrollable"), -1);
    EXPECT_EQ(get_long(control.get(), L"ColorType"), 0);
    EXPECT_EQ(get_long(control.get(), L"FileType"), 0);
    EXPECT_EQ(get_string(control.get(), L"filename"), L"");
    EXPECT_EQ(get_long(control.get(), L"BitmapWidth"), 0);
    com_ptr<IPersistStreamInit> persist = control.query<IPersistStreamInit>(IID_IPersistStreamInit);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    EXPECT_TRUE(notify.changed.empty());
}

TEST_F(DispatchTest, ByReferenceArgumentsToValueParametersAreDereferenced) {
    // VBScript passes variables as VT_BYREF|VT_VARIANT.
    VARIANT inner = i4(300);
    ASSERT_EQ(put_value(control.get(), L"Resolution", by_ref_variant(&inner)), S_OK);
    EXPECT_EQ(get_long(control.get(), L"Resolution"), 300);

    SHORT raw = 150;
    VARIANT ref;
    V_VT(&ref) = VT_BYREF | VT_I2;
    V_I2REF(&ref) = &raw;
    ASSERT_EQ(put_value(control.get(), L"Resolution", ref), S_OK);
    EXPECT_EQ(get_long(control.get(), L"Resolution"), 150);
    EXPECT_EQ(raw, 150);

    Variant text;
    V_VT(&text.v) = VT_BSTR;
    V_BSTR(&text.v) = ::SysAllocString(L"scan.png");
    ASSERT_EQ(put_value(control.get(), L"filename", by_ref_variant(&text.v)), S_OK);
    EXPECT_EQ(get_string(control.get(), L"filename"), L"scan.png");

    EXPECT_EQ(notify.changed, (std::vector<DISPID>{DISPID_Twain_Resolution, DISPID_Twain_Resolution,
                                                   DISPID_Twain_filename}));
    com_ptr<IPersistStreamInit> persist = control.query<IPersistStreamInit>(IID_IPersistStreamInit);
    EXPECT_EQ(persist->IsDirty(), S_OK);
}

TEST_F(DispatchTest, PictureIsStoredByReferenceAndMeasured) {
    com_ptr<IPictureDisp> pic = bitmap_picture(7, 5);
    ASSERT_TRUE(pic);
    VARIANT arg;
    V_VT(&arg) = VT_DISPATCH;
    V_DISPATCH(&arg) = pic.get();
    const DISPID picture = dispid_of(control.get(), L"Picture");
    ASSERT_EQ(invoke(control.get(), picture, DISPATCH_PROPERTYPUTREF, {arg}, nullptr, {DISPID_PROPERTYPUT}).hr, S_OK);

    Variant got;
    ASSERT_EQ(invoke(control.get(), picture, DISPATCH_PROPERTYGET, {}, &got.v).hr, S_OK);
    ASSERT_EQ(V_VT(&got.v), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&got.v), static_cast<IDispatch*>(pic.get()));
    EXPECT_EQ(get_long(control.get(), L"BitmapWidth"), 7);
    EXPECT_EQ(get_long(control.get(), L"BitmapHeight"), 5);

    // A late-bound "obj.Picture = Nothing" arrives as a plain put.
    VARIANT nothing;
    V_VT(&nothing) = VT_DISPATCH;
    V_DISPATCH(&nothing) = nullptr;
    ASSERT_EQ(put_value(control.get(), L"Picture", nothing), S_OK);
    Variant after;
    ASSERT_EQ(invoke(control.get(), picture, DISPATCH_PROPERTYGET, {}, &after.v).hr, S_OK);
    EXPECT_EQ(V_VT(&after.v), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&after.v), nullptr);
    EXPECT_EQ(get_long(control.get(), L"BitmapWidth"), 0);
    EXPECT_EQ(notify.changed, (std::vector<DISPID>{DISPID_Twain_Picture, DISPID_Twain_Picture}));
}

TEST_F(DispatchTest, RefusedValueReportsAnErrorAndSendsNoNotification) {
    const LONG before = get_long(control.get(), L"MousePointer");
    VARIANT bad;
    V_VT(&bad) = VT_I2;
    V_I2(&bad) = 50;
    const DISPID id = dispid_of(control.get(), L"MousePointer");
    CallResult r = invoke(control.get(), id, DISPATCH_PROPERTYPUT, {bad}, nullptr, {DISPID_PROPERTYPUT});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_TRUE(FAILED(r.scode));
    EXPECT_FALSE(r.description.empty());
    EXPECT_EQ(get_long(control.get(), L"MousePointer"), before);
    EXPECT_TRUE(notify.changed.empty());
}

TEST_F(DispatchTest, FileTypeHasNoWriteAccessor) {
    const DISPID id = dispid_of(control.get(), L"FileType");
    CallResult r = invoke(control.get(), id, DISPATCH_PROPERTYPUT, {i4(3)}, nullptr, {DISPID_PROPERTYPUT});
    EXPECT_TRUE(FAILED(r.hr));
    EXPECT_EQ(get_long(control.get(), L"FileType"), 0);
}

TEST_F(DispatchTest, DialogMethodsAcceptEveryArgumentShapeScriptsSend) {
    hostkit::modal_watcher cancel_every_dialog([](HWND dialog) { hostkit::press(dialog, IDCANCEL); });
    for (const wchar_t* name : {L"ShowSave", L"ShowLoad"}) {
        const DISPID id = dispid_of(control.get(), name);
        ASSERT_NE(id, DISPID_UNKNOWN);
        EXPECT_EQ(invoke(control.get(), id, DISPATCH_METHOD, {}).hr, S_OK) << name;

        // One by-reference variable holding a string, as VBScript passes it.
        Variant filter;
        V_VT(&filter.v) = VT_BSTR;
        V_BSTR(&filter.v) = ::SysAllocString(L"Bitmaps|*.bmp");
        EXPECT_EQ(invoke(control.get(), id, DISPATCH_METHOD, {by_ref_variant(&filter.v)}).hr, S_OK);
        EXPECT_EQ(V_VT(&filter.v), VT_BSTR);
        EXPECT_EQ(std::wstring(V_BSTR(&filter.v), ::SysStringLen(V_BSTR(&filter.v))),
                  std::wstring(L"Bitmaps\0*.bmp\0", 14))
            << "converted for the dialog, in the caller's variable";

        // Three: a null BSTR by reference, an omitted one, a number by value (last first).
        BSTR null_text = nullptr;
        VARIANT by_ref_bstr;
        V_VT(&by_ref_bstr) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&by_ref_bstr) = &null_text;
        CallResult r = invoke(control.get(), id, DISPATCH_METHOD, {i4(5), omitted(), by_ref_bstr});
        EXPECT_EQ(r.hr, S_OK);
        // Written back as the method left it: the empty filter, converted (one NUL).
        ASSERT_NE(null_text, nullptr);
        EXPECT_EQ(std::wstring(null_text, ::SysStringLen(null_text)), std::wstring(1, L'\0'));
        ::SysFreeString(null_text);

        // A variable that holds nothing a string can be made of.
        VARIANT bad_inner;
        V_VT(&bad_inner) = VT_DISPATCH;
        V_DISPATCH(&bad_inner) = nullptr;
        r = invoke(control.get(), id, DISPATCH_METHOD, {by_ref_variant(&bad_inner), omitted()});
        EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(r.arg_err, 0u);

        EXPECT_EQ(invoke(control.get(), id, DISPATCH_METHOD, {omitted(), omitted(), omitted(), omitted()}).hr,
                  DISP_E_BADPARAMCOUNT);
        EXPECT_EQ(invoke(control.get(), id, DISPATCH_METHOD, {omitted()}, nullptr, {0}).hr, DISP_E_NONAMEDARGS);
    }
    EXPECT_FALSE(cancel_every_dialog.watchdog_fired());
}

TEST_F(DispatchTest, UnknownMembersAndInterfaces) {
    LPOLESTR name = const_cast<LPOLESTR>(L"NoSuchMember");
    DISPID id = 0;
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), DISP_E_UNKNOWNNAME);
    DISPPARAMS none{};
    EXPECT_EQ(control->Invoke(0x12345, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(control->Invoke(DISPID_Twain_Refresh, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                              nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

}  // namespace
}  // namespace korvix::object_test
