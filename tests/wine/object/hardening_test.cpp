// What a hostile host does to the control, one way at a time: damaged
// stored records, sinks that call back in, objects that are not pictures,
// surplus arguments, bags that clear what they are given, and a container
// that destroys its window under the active control.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "control/twain_interface.h"
#include "object_test_support.h"

namespace korvix::object_test {
namespace {

VARIANT object(IDispatch* p) {
    VARIANT r;
    V_VT(&r) = VT_DISPATCH;
    V_DISPATCH(&r) = p;
    return r;
}

std::vector<BYTE> from_hex(const char* hex) {
    std::vector<BYTE> out;
    for (; hex[0] && hex[1]; hex += 2) out.push_back(static_cast<BYTE>(std::stoi(std::string(hex, 2), nullptr, 16)));
    return out;
}

DWORD u32_at(const std::vector<BYTE>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<DWORD>(b[at + 3]) << 24);
}

// Everything a host can read back, to tell whether a refused call changed anything.
std::vector<std::wstring> readable_state(IDispatch* d) {
    std::vector<std::wstring> state;
    for (const wchar_t* name : {L"BackColor", L"Enabled", L"MousePointer", L"ToolTipText", L"ColorType",
                                L"Resolution", L"filename", L"ShowProgress", L"ShowInterface", L"AutoRedraw",
                                L"BorderStyle", L"Scrollable", L"FileType", L"BitmapWidth", L"MouseIcon",
                                L"Picture"}) {
        Variant v;
        const HRESULT hr = invoke(d, dispid_of(d, name), DISPATCH_PROPERTYGET, {}, &v.v).hr;
        std::wstring text = std::wstring(name) + L"=";
        if (FAILED(hr))
            text += L"<failed>";
        else if (V_VT(&v.v) == VT_DISPATCH)
            text += std::to_wstring(reinterpret_cast<UINT_PTR>(V_DISPATCH(&v.v)));
        else if (SUCCEEDED(::VariantChangeType(&v.v, &v.v, 0, VT_BSTR)))
            text += V_BSTR(&v.v) ? V_BSTR(&v.v) : L"";
        state.push_back(text);
    }
    return state;
}

// A property-notify sink advised on a control for the length of a test.
struct Advised {
    NotifyRecorder sink;
    com_ptr<IConnectionPoint> point;
    DWORD cookie = 0;
    explicit Advised(IUnknown* control) {
        com_ptr<IConnectionPointContainer> cpc;
        control->QueryInterface(IID_IConnectionPointContainer, cpc.put_void());
        cpc->FindConnectionPoint(IID_IPropertyNotifySink, point.put());
        point->Advise(&sink, &cookie);
    }
    ~Advised() { point->Unadvise(cookie); }
};

HRESULT load_record(IDispatch* control, const std::vector<BYTE>& bytes) {
    com_ptr<IStream> in = stream_of(bytes);
    return com_ptr<IDispatch>(control).query<IPersistStreamInit>(IID_IPersistStreamInit)->Load(in.get());
}

// A record refused for any reason leaves the control exactly as it was and
// tells no sink anything.
void expect_refused_unchanged(const std::vector<BYTE>& record, HRESULT expected, const char* what) {
    com_ptr<IDispatch> target = create_initialised();
    Advised advised(target.get());
    const std::vector<std::wstring> before = readable_state(target.get());
    EXPECT_EQ(load_record(target.get(), record), expected) << what;
    EXPECT_FALSE(error_description().empty()) << what;
    EXPECT_EQ(readable_state(target.get()), before) << what;
    EXPECT_TRUE(advised.sink.changed.empty()) << what;
    EXPECT_EQ(target.query<IPersistStreamInit>(IID_IPersistStreamInit)->IsDirty(), S_FALSE) << what;
}

// A record saved with every one of the first eleven keys away from its
// default, and BorderStyle (byte 98) 2.
constexpr const char* kRefusedBorderRecord =
    "4b5658530100000062000000563412000000000000000b0008000000540069007000200041002000e9002d4e050000002c01130000"
    "0043003a005c007300630061006e0073005c0061002d00660069006c0065002e0062006d0070000000ffff0000020000005a000400"
    "02000000";

TEST(Hardening, RefusedStreamRecordChangesNothingAtAll) {
    const std::vector<BYTE> record = from_hex(kRefusedBorderRecord);
    ASSERT_EQ(record.size(), 110u);
    std::vector<BYTE> fine = record;
    fine[98] = 1;
    std::vector<BYTE> bad_pointer = fine;
    bad_pointer[22] = 50;  // MousePointer
    std::vector<BYTE> bad_colour = fine;
    bad_colour[12] = 0xFF;  // BackColor 0x800000FF: no such system colour
    bad_colour[15] = 0x80;

    // A refused MousePointer after a good MouseIcon: the icon must not change either.
    com_ptr<IDispatch> with_icon = create_initialised();
    com_ptr<IPictureDisp> icon = icon_picture();
    ASSERT_EQ(invoke(with_icon.get(), dispid_of(with_icon.get(), L"MouseIcon"), DISPATCH_PROPERTYPUTREF,
                     {object(icon.get())}, nullptr, {DISPID_PROPERTYPUT})
                  .hr,
              S_OK);
    std::vector<BYTE> icon_then_bad_pointer = saved_record(with_icon.get());
    ASSERT_GT(icon_then_bad_pointer.size(), 30u);
    icon_then_bad_pointer[22 + u32_at(icon_then_bad_pointer, 18)] = 50;

    expect_refused_unchanged(record, CTL_E_INVALIDPROPERTYVALUE, "BorderStyle 2");
    expect_refused_unchanged(bad_pointer, CTL_E_INVALIDPROPERTYVALUE, "MousePointer 50");
    expect_refused_unchanged(bad_colour, CTL_E_INVALIDPROPERTYVALUE, "BackColor 0x800000FF");
    expect_refused_unchanged(icon_then_bad_pointer, CTL_E_INVALIDPROPERTYVALUE, "MouseIcon, then MousePointer 50");

    // The same record with a valid border loads whole.
    com_ptr<IDispatch> target = create_initialised();
    ASSERT_EQ(load_record(target.get(), fine), S_OK);
    EXPECT_EQ(get_long(target.get(), L"BackColor"), 0x123456);
    EXPECT_EQ(get_string(target.get(), L"ToolTipText"), L"Tip A \u00e9\u4e2d");
    EXPECT_EQ(get_long(target.get(), L"BorderStyle"), 1);
    EXPECT_EQ(get_long(target.get(), L"FileType"), 2);
}

TEST(Hardening, DamagedMouseIconIsRefusedBeforeAnyLoaderSeesIt) {
    com_ptr<IDispatch> source = create_initialised();
    com_ptr<IPictureDisp> icon = icon_picture();
    ASSERT_EQ(invoke(source.get(), dispid_of(source.get(), L"MouseIcon"), DISPATCH_PROPERTYPUTREF,
                     {object(icon.get())}, nullptr, {DISPID_PROPERTYPUT})
                  .hr,
              S_OK);
    const std::vector<BYTE> good = saved_record(source.get());
    // Header 12, BackColor 4, Enabled 2, icon size 4, then the picture: class
    // id at 22, "lt" header at 38, icon file at 46, its bitmap header at 68.
    ASSERT_GT(good.size(), 4000u);
    ASSERT_EQ(good[48], 1);  // an icon file
    ASSERT_EQ(u32_at(good, 64), 22u);  // one entry, image right after it
    {
        com_ptr<IDispatch> target = create_initialised();
        ASSERT_EQ(load_record(target.get(), good), S_OK);
    }

    struct Mutation {
        const char* what;
        size_t at;
        BYTE value;
    } mutations[] = {
        // The two that crashed the platform's loader, then one per layer the
        // check reads (each field's own cases are in the native suite).
        {"entry count 50177", 51, 0xC4},
        {"bitmap height 0x04000040", 79, 0x04},
        {"another class (the standard font)", 22, 0x03},
        {"no picture header", 38, 'x'},
        {"image offset past the end", 67, 0x40},
        {"channel masks at 24 bits", 82, 24},
    };
    for (const Mutation& m : mutations) {
        std::vector<BYTE> bad = good;
        bad[m.at] = m.value;
        expect_refused_unchanged(bad, CTL_E_INVALIDPICTURE, m.what);
    }
}

// Calls back into the control from OnChanged, once.
class CallingBackSink final : public Recorder<IPropertyNotifySink> {
public:
    std::function<HRESULT()> call;
    HRESULT nested = S_OK;
    bool called = false;
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override {
        if (!called && call) {
            called = true;
            nested = call();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IPropertyNotifySink); }
};

TEST(Hardening, NestedCallFailuresStayWithTheNestedCall) {
    using Nested = std::function<HRESULT(IDispatch*, ITwain*)>;
    const std::pair<const char*, Nested> nested_calls[] = {
        {"MousePointer 50 through Invoke", [](IDispatch* d, ITwain*) { return put_value(d, L"MousePointer", i2(50)); }},
        {"BorderStyle 5 through Invoke", [](IDispatch* d, ITwain*) { return put_value(d, L"BorderStyle", i2(5)); }},
        {"MousePointer 50 through the vtable", [](IDispatch*, ITwain* t) { return t->put_MousePointer(50); }},
        {"BorderStyle 5 through the vtable", [](IDispatch*, ITwain* t) { return t->put_BorderStyle(5); }},
    };
    for (const auto& [what, nested] : nested_calls) {
        for (bool outer_by_invoke : {true, false}) {
            com_ptr<IDispatch> control = create_initialised();
            com_ptr<ITwain> twain = control.query<ITwain>(IID__Twain);
            ASSERT_TRUE(twain);
            CallingBackSink sink;
            sink.call = [&, fn = nested] { return fn(control.get(), twain.get()); };
            com_ptr<IConnectionPoint> point;
            control.query<IConnectionPointContainer>(IID_IConnectionPointContainer)
                ->FindConnectionPoint(IID_IPropertyNotifySink, point.put());
            DWORD cookie = 0;
            ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);

            const HRESULT outer = outer_by_invoke ? put_value(control.get(), L"BackColor", i4(0x00FF00))
                                                  : twain->put_BackColor(0x00FF00);
            EXPECT_EQ(outer, S_OK) << what << (outer_by_invoke ? " (Invoke)" : " (vtable)");
            EXPECT_TRUE(sink.called) << what;
            EXPECT_TRUE(FAILED(sink.nested)) << what;
            EXPECT_EQ(get_long(control.get(), L"BackColor"), 0x00FF00) << what;
            EXPECT_EQ(get_long(control.get(), L"BorderStyle"), 1) << what;
            point->Unadvise(cookie);
        }
    }
}

// A picture whose Handle cannot be read, or reads as text.
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

TEST(Hardening, RefusedPictureLeavesPictureAndViewAsTheyWere) {
    for (bool as_text : {false, true}) {
        for (bool by_invoke : {true, false}) {
            com_ptr<IDispatch> control = create_initialised();
            com_ptr<IPictureDisp> shown = bitmap_picture(7, 5);
            ASSERT_EQ(put_value(control.get(), L"Picture", object(shown.get())), S_OK);
            Advised advised(control.get());
            const std::vector<std::wstring> before = readable_state(control.get());
            UnreadablePicture hostile;
            hostile.as_text = as_text;
            HRESULT hr;
            if (by_invoke) {
                CallResult r = invoke(control.get(), dispid_of(control.get(), L"Picture"), DISPATCH_PROPERTYPUTREF,
                                      {object(&hostile)}, nullptr, {DISPID_PROPERTYPUT});
                hr = r.hr;
                EXPECT_FALSE(r.description.empty());
            } else {
                hr = control.query<ITwain>(IID__Twain)->putref_Picture(reinterpret_cast<IPictureDisp*>(&hostile));
                EXPECT_FALSE(error_description().empty());
            }
            EXPECT_TRUE(FAILED(hr));
            EXPECT_EQ(readable_state(control.get()), before) << as_text << by_invoke;
            EXPECT_TRUE(advised.sink.changed.empty());
            // The view still holds a picture it can measure: a full layout works.
            EXPECT_EQ(invoke(control.get(), dispid_of(control.get(), L"Refresh"), DISPATCH_METHOD, {}).hr, S_OK);
            EXPECT_EQ(hostile.refs, 1) << "the refused object was kept";
        }
    }
}

TEST(Hardening, SurplusArgumentsAreRefusedBeforeAnyMemberRuns) {
    com_ptr<IDispatch> control = create_initialised();
    VARIANT nothing = object(nullptr);
    ASSERT_EQ(put_value(control.get(), L"Picture", nothing), S_OK);
    for (const wchar_t* name : {L"MouseIcon", L"Picture"}) {
        for (WORD flags : {WORD{DISPATCH_PROPERTYGET}, WORD{DISPATCH_PROPERTYGET | DISPATCH_METHOD}}) {
            Variant result;
            EXPECT_EQ(invoke(control.get(), dispid_of(control.get(), name), flags, {i2(1)}, &result.v).hr,
                      DISP_E_BADPARAMCOUNT);
        }
    }
    // Every member of the interface, with one argument more than it takes.
    com_ptr<ITypeInfo> info;
    ASSERT_EQ(control->GetTypeInfo(0, 0, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const WORD count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < count; ++i) {
        FUNCDESC* desc = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &desc), S_OK);
        UINT taken = 0;
        for (SHORT p = 0; p < desc->cParams; ++p)
            if (!(desc->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++taken;
        const DISPID id = desc->memid;
        const WORD flags = static_cast<WORD>(desc->invkind);
        info->ReleaseFuncDesc(desc);
        std::vector<VARIANT> args(taken + 1, i2(1));
        std::vector<DISPID> named;
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) named = {DISPID_PROPERTYPUT};
        Variant result;
        EXPECT_EQ(invoke(control.get(), id, flags, args, &result.v, named).hr, DISP_E_BADPARAMCOUNT)
            << std::hex << id << " " << flags;
    }
}

TEST(Hardening, NonPictureObjectIsATypeMismatchNotARawInterfaceError) {
    EventRecorder not_a_picture;  // answers IDispatch only
    for (const wchar_t* name : {L"Picture", L"MouseIcon"}) {
        for (WORD flags : {WORD{DISPATCH_PROPERTYPUTREF}, WORD{DISPATCH_PROPERTYPUT}}) {
            com_ptr<IDispatch> control = create_initialised();
            const std::vector<std::wstring> before = readable_state(control.get());
            CallResult r = invoke(control.get(), dispid_of(control.get(), name), flags, {object(&not_a_picture)},
                                  nullptr, {DISPID_PROPERTYPUT});
            const bool mismatch = r.hr == DISP_E_TYPEMISMATCH && r.arg_err == 0;
            const bool described = r.hr == DISP_E_EXCEPTION && !r.description.empty();
            EXPECT_TRUE(mismatch || described) << std::hex << r.hr;
            EXPECT_EQ(readable_state(control.get()), before);
        }
    }
    EXPECT_EQ(not_a_picture.refs, 1);
}

// A bag that clears the variant it is handed before answering "not stored".
class ClearingBag final : public Recorder<IPropertyBag> {
public:
    std::vector<void*> object_slots;  // the pointers of VT_DISPATCH variants handed in
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT* v, IErrorLog*) override {
        if (V_VT(v) == VT_DISPATCH) object_slots.push_back(V_DISPATCH(v));
        ::VariantClear(v);
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return S_OK; }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IPropertyBag); }
};

// Leaves non-zero bytes where the next calls' locals will be, so an
// uninitialised pointer there is not null by luck.
__attribute__((noinline)) void dirty_stack() {
    volatile unsigned char bytes[32768];
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = 0xA5;
}

TEST(Hardening, BagHandedAnObjectSlotGetsAnInitialisedOne) {
    com_ptr<IUnknown> control = create_control();
    com_ptr<IPersistPropertyBag> persist = control.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    ClearingBag bag;
    dirty_stack();
    ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
    ASSERT_EQ(bag.object_slots.size(), 1u);
    EXPECT_EQ(bag.object_slots[0], nullptr);
}

TEST(Hardening, DestroyedContainerWindowReturnsTheControlToTheLoadedState) {
    TestSite site;
    com_ptr<IUnknown> control = create_control();
    com_ptr<IOleObject> ole = control.query<IOleObject>(IID_IOleObject);
    com_ptr<IOleInPlaceObject> inplace = control.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    com_ptr<IDispatch> dispatch = control.query<IDispatch>(IID_IDispatch);
    ASSERT_EQ(control.query<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew(), S_OK);
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
    Variant tip;
    V_VT(&tip.v) = VT_BSTR;
    V_BSTR(&tip.v) = ::SysAllocString(L"tip");
    ASSERT_EQ(put_value(dispatch.get(), L"ToolTipText", tip.v), S_OK);

    ::DestroyWindow(site.window);
    site.window = nullptr;
    HWND none = reinterpret_cast<HWND>(1);
    EXPECT_EQ(inplace->GetWindow(&none), E_FAIL);
    EXPECT_EQ(none, nullptr);
    EXPECT_NE(std::find(site.calls.begin(), site.calls.end(), "OnInPlaceDeactivate"), site.calls.end());
    EXPECT_EQ(get_string(dispatch.get(), L"ToolTipText"), L"tip");
    for (SHORT enabled : {VARIANT_FALSE, VARIANT_TRUE}) {
        VARIANT value;
        V_VT(&value) = VT_BOOL;
        V_BOOL(&value) = enabled;
        EXPECT_EQ(put_value(dispatch.get(), L"Enabled", value), S_OK);
        EXPECT_EQ(get_long(dispatch.get(), L"Enabled"), enabled);
    }

    // A new window of the same container: activation works, twice.
    site.window = ::CreateWindowExW(0, L"STATIC", L"site", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                                    nullptr, nullptr, nullptr, nullptr);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
        HWND surface = nullptr;
        ASSERT_EQ(inplace->GetWindow(&surface), S_OK) << round;
        EXPECT_EQ(::GetParent(surface), site.window) << round;
        EXPECT_EQ(get_string(dispatch.get(), L"ToolTipText"), L"tip");
        ASSERT_EQ(inplace->InPlaceDeactivate(), S_OK);
    }
    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(site.refs, 1);
}

}  // namespace
}  // namespace korvix::object_test
