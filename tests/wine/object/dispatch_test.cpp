// Late-bound calls as hosts and script engines make them.
#include <gtest/gtest.h>

#include <functional>

#include "control/twain_interface.h"
#include "object_test_support.h"
#include "tests/wine/hostkit/control_state.h"
#include "tests/wine/hostkit/modal_watcher.h"
#include "tests/wine/hostkit/property_notify_recorder.h"

namespace korvix::object_test {
namespace {

VARIANT i2(SHORT v) {
    VARIANT r;
    V_VT(&r) = VT_I2;
    V_I2(&r) = v;
    return r;
}

VARIANT i4(LONG v) {
    VARIANT r;
    V_VT(&r) = VT_I4;
    V_I4(&r) = v;
    return r;
}

VARIANT object(IDispatch* p) {  // borrowed for the call
    VARIANT r;
    V_VT(&r) = VT_DISPATCH;
    V_DISPATCH(&r) = p;
    return r;
}

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

// Calls back into the control from OnChanged, once.
class CallingBackSink final : public Recorder<IPropertyNotifySink> {
public:
    std::function<HRESULT()> call;
    HRESULT nested = S_OK;
    bool called = false;
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override {
        if (!called) nested = call();
        called = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IPropertyNotifySink); }
};

TEST_F(DispatchTest, NestedCallFailuresStayWithTheNestedCall) {
    com_ptr<ITwain> twain = control.query<ITwain>(IID__Twain);
    CallingBackSink sink;
    hostkit::sink_connection advised(control.get(), IID_IPropertyNotifySink, &sink);
    LONG colour = 0x00FF00;
    for (bool nested_by_invoke : {true, false}) {
        for (bool outer_by_invoke : {true, false}) {
            sink.called = false;
            sink.call = [&] {
                return nested_by_invoke ? put_value(control.get(), L"BorderStyle", i2(5)) : twain->put_BorderStyle(5);
            };
            ++colour;
            EXPECT_EQ(outer_by_invoke ? put_value(control.get(), L"BackColor", i4(colour)) : twain->put_BackColor(colour),
                      S_OK);
            EXPECT_TRUE(sink.called && FAILED(sink.nested));
        }
    }
}

// A picture whose Handle (its default property) cannot be read, or reads as text.
class UnreadablePicture final : public Recorder<IDispatch> {
public:
    bool as_text = false;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (!as_text || !result) return E_FAIL;
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = ::SysAllocString(L"not a handle");
        return S_OK;
    }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IPictureDisp); }
};

// Refused by Picture and MouseIcon, which must then be as they were, with
// the view still holding a picture it can measure.
TEST_F(DispatchTest, RefusedPictureObjectsChangeNothing) {
    com_ptr<IPictureDisp> shown = bitmap_picture(7, 5);
    ASSERT_EQ(put_value(control.get(), L"Picture", object(shown.get())), S_OK);
    notify.changed.clear();
    const hostkit::control_state before = hostkit::read_state(control.get());
    UnreadablePicture failing, text;
    text.as_text = true;
    EventRecorder not_a_picture;  // answers IDispatch only: once a raw E_NOINTERFACE
    for (IDispatch* hostile : {static_cast<IDispatch*>(&failing), static_cast<IDispatch*>(&text),
                               static_cast<IDispatch*>(&not_a_picture)}) {
        for (const wchar_t* name : {L"Picture", L"MouseIcon"}) {
            for (WORD flags : {WORD{DISPATCH_PROPERTYPUTREF}, WORD{DISPATCH_PROPERTYPUT}}) {
                const CallResult r = invoke(control.get(), dispid_of(control.get(), name), flags, {object(hostile)},
                                            nullptr, {DISPID_PROPERTYPUT});
                const bool mismatch = r.hr == DISP_E_TYPEMISMATCH && r.arg_err == 0;
                EXPECT_TRUE(mismatch || (r.hr == DISP_E_EXCEPTION && !r.description.empty())) << std::hex << r.hr;
            }
        }
        if (hostile == &not_a_picture) continue;
        EXPECT_TRUE(FAILED(control.query<ITwain>(IID__Twain)->putref_Picture(reinterpret_cast<IPictureDisp*>(hostile))));
        EXPECT_FALSE(error_description().empty());
    }
    EXPECT_EQ(hostkit::read_state(control.get()), before);
    EXPECT_TRUE(notify.changed.empty());
    EXPECT_EQ(invoke(control.get(), dispid_of(control.get(), L"Refresh"), DISPATCH_METHOD, {}).hr, S_OK);
    EXPECT_EQ(failing.refs + text.refs + not_a_picture.refs, 3) << "a refused object was kept";
}

TEST_F(DispatchTest, SurplusArgumentsAreRefusedBeforeAnyMemberRuns) {
    // A get with one argument too many while MouseIcon and Picture were
    // Nothing crashed in the platform's Invoke (it applied the argument to
    // the null object), also with DISPATCH_METHOD added.
    ASSERT_EQ(put_value(control.get(), L"Picture", object(nullptr)), S_OK);
    for (const hostkit::member_shape& m : hostkit::type_members(control.get())) {
        const WORD with_method = m.kind == INVOKE_PROPERTYGET ? DISPATCH_METHOD : 0;
        const std::vector<DISPID> named = m.kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)
                                              ? std::vector<DISPID>{DISPID_PROPERTYPUT}
                                              : std::vector<DISPID>{};
        for (WORD flags : {m.kind, static_cast<WORD>(m.kind | with_method)}) {
            Variant result;
            EXPECT_EQ(invoke(control.get(), m.id, flags, std::vector<VARIANT>(m.arguments + 1, i2(1)), &result.v, named).hr,
                      DISP_E_BADPARAMCOUNT)
                << std::hex << m.id << " " << flags;
        }
    }
}

}  // namespace
}  // namespace korvix::object_test
