// The control's settings through the persistence interfaces a container
// uses, including what it does with damaged or mistyped stored data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "object_test_support.h"
#include "tests/wine/hostkit/control_state.h"
#include "tests/wine/hostkit/import_patch.h"
#include "tests/wine/hostkit/property_notify_recorder.h"

namespace korvix::object_test {
namespace {

VARIANT make_i2(SHORT v) {
    VARIANT r;
    V_VT(&r) = VT_I2;
    V_I2(&r) = v;
    return r;
}

com_ptr<IStream> new_stream() {
    com_ptr<IStream> s;
    ::CreateStreamOnHGlobal(nullptr, TRUE, s.put());
    return s;
}

void rewind(IStream* s) { s->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr); }

std::vector<BYTE> stream_bytes(IStream* s) {
    STATSTG st{};
    s->Stat(&st, STATFLAG_NONAME);
    std::vector<BYTE> out(static_cast<size_t>(st.cbSize.QuadPart));
    rewind(s);
    ULONG got = 0;
    if (!out.empty()) s->Read(out.data(), static_cast<ULONG>(out.size()), &got);
    rewind(s);
    return out;
}

com_ptr<IStream> stream_of(const std::vector<BYTE>& bytes) {
    com_ptr<IStream> s = new_stream();
    ULONG n = 0;
    if (!bytes.empty()) s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &n);
    rewind(s.get());
    return s;
}

TEST(PropertyBag, UntouchedControlWritesNothingUnlessAskedForEverything) {
    com_ptr<IDispatch> control = create_initialised();
    com_ptr<IPersistPropertyBag> persist = control.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    MapBag bag;
    ASSERT_EQ(persist->Save(&bag, TRUE, FALSE), S_OK);
    // The control's own settings all sit at their defaults and are left out;
    // only an inner member whose designed value differs from its key's
    // default may appear, and it must read back to the same state.
    const std::vector<std::wstring> inner = {L"BackColor", L"Enabled", L"MouseIcon", L"MousePointer",
                                             L"ToolTipText", L"BorderStyle"};
    for (const std::wstring& key : bag.writes)
        EXPECT_NE(std::find(inner.begin(), inner.end(), key), inner.end()) << std::string(key.begin(), key.end());
    com_ptr<IUnknown> reloaded = create_control();
    ASSERT_EQ(reloaded.query<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(&bag, nullptr), S_OK);
    com_ptr<IDispatch> again = reloaded.query<IDispatch>(IID_IDispatch);
    for (const wchar_t* name : {L"BorderStyle", L"BackColor", L"Enabled", L"MousePointer", L"Resolution",
                                L"ShowProgress", L"AutoRedraw", L"Scrollable"})
        EXPECT_EQ(get_long(again.get(), name), get_long(control.get(), name)) << std::string(name, name + wcslen(name));

    MapBag all;
    ASSERT_EQ(persist->Save(&all, TRUE, TRUE), S_OK);
    const std::vector<std::wstring> order = {
        L"BackColor",  L"Enabled",      L"MouseIcon",     L"MousePointer", L"ToolTipText", L"ColorType",
        L"Resolution", L"Filename",     L"ShowProgress",  L"ShowInterface", L"AutoRedraw", L"BorderStyle",
        L"Scrollable", L"Quality",      L"Compression",   L"FileType"};
    EXPECT_EQ(all.writes, order);
    EXPECT_EQ(V_VT(&all.values[L"BackColor"]), VT_I4);
    EXPECT_EQ(V_I4(&all.values[L"BackColor"]), static_cast<LONG>(0x80000005u));
    EXPECT_EQ(V_VT(&all.values[L"MouseIcon"]), VT_DISPATCH);
    EXPECT_EQ(V_VT(&all.values[L"Resolution"]), VT_I2);
    EXPECT_EQ(V_I2(&all.values[L"Resolution"]), 75);
    EXPECT_EQ(V_VT(&all.values[L"FileType"]), VT_I4);
    EXPECT_EQ(V_VT(&all.values[L"Enabled"]), VT_BOOL);
}

TEST(PropertyBag, MistypedValueStopsLoadingWithADescribedError) {
    com_ptr<IUnknown> unknown = create_control();
    com_ptr<IPersistPropertyBag> persist = unknown.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    com_ptr<IDispatch> control = unknown.query<IDispatch>(IID_IDispatch);
    MapBag bag;
    Variant color, res, name;
    V_VT(&color.v) = VT_I4;
    V_I4(&color.v) = 2;
    bag.set(L"ColorType", color.v);
    V_VT(&res.v) = VT_BSTR;
    V_BSTR(&res.v) = ::SysAllocString(L"high");
    bag.set(L"Resolution", res.v);
    V_VT(&name.v) = VT_BSTR;
    V_BSTR(&name.v) = ::SysAllocString(L"never.bmp");
    bag.set(L"Filename", name.v);
    ErrorLogRecorder log;

    const HRESULT hr = persist->Load(&bag, &log);
    EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    EXPECT_NE(error_description().find(L"Resolution"), std::wstring::npos);
    EXPECT_EQ(log.keys, std::vector<std::wstring>{L"Resolution"});
    EXPECT_EQ(bag.reads.back(), L"Resolution");
    // Keys before it were applied, keys after it keep their start values.
    EXPECT_EQ(get_long(control.get(), L"ColorType"), 2);
    EXPECT_EQ(get_long(control.get(), L"Resolution"), 0);
    EXPECT_EQ(get_string(control.get(), L"filename"), L"");
    EXPECT_EQ(get_long(control.get(), L"ShowProgress"), 0);
}

TEST(PropertyBag, StoredValuesAreConvertedAndTheMouseIconNotifies) {
    com_ptr<IUnknown> unknown = create_control();
    com_ptr<IDispatch> control = unknown.query<IDispatch>(IID_IDispatch);
    NotifyRecorder notify;
    DWORD cookie = 0;
    com_ptr<IConnectionPoint> cp;
    unknown.query<IConnectionPointContainer>(IID_IConnectionPointContainer)
        ->FindConnectionPoint(IID_IPropertyNotifySink, cp.put());
    cp->Advise(&notify, &cookie);

    MapBag bag;
    Variant text_number, quality, file_type;
    V_VT(&text_number.v) = VT_BSTR;
    V_BSTR(&text_number.v) = ::SysAllocString(L"300");
    bag.set(L"Resolution", text_number.v);
    V_VT(&file_type.v) = VT_I2;
    V_I2(&file_type.v) = 3;
    bag.set(L"FileType", file_type.v);
    com_ptr<IPersistPropertyBag> persist = unknown.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(get_long(control.get(), L"Resolution"), 300);
    EXPECT_EQ(get_long(control.get(), L"FileType"), 3);
    EXPECT_EQ(get_long(control.get(), L"AutoRedraw"), -1);
    EXPECT_EQ(notify.changed, std::vector<DISPID>{DISPID_Twain_MouseIcon});
    EXPECT_EQ(unknown.query<IPersistStreamInit>(IID_IPersistStreamInit)->IsDirty(), S_FALSE);
    cp->Unadvise(cookie);
}

TEST(SettingsStream, RoundTripThroughAStreamAndAStorage) {
    com_ptr<IDispatch> original = create_initialised();
    ASSERT_EQ(put_value(original.get(), L"Resolution", make_i2(600)), S_OK);
    Variant text;
    V_VT(&text.v) = VT_BSTR;
    V_BSTR(&text.v) = ::SysAllocString(L"C:\\out\\scan.tif");
    ASSERT_EQ(put_value(original.get(), L"filename", text.v), S_OK);
    ASSERT_EQ(put_value(original.get(), L"MousePointer", make_i2(99)), S_OK);
    com_ptr<IPictureDisp> icon = icon_picture();
    ASSERT_TRUE(icon);
    VARIANT icon_arg;
    V_VT(&icon_arg) = VT_DISPATCH;
    V_DISPATCH(&icon_arg) = icon.get();
    ASSERT_EQ(invoke(original.get(), dispid_of(original.get(), L"MouseIcon"), DISPATCH_PROPERTYPUTREF, {icon_arg},
                     nullptr, {DISPID_PROPERTYPUT})
                  .hr,
              S_OK);

    com_ptr<IPersistStreamInit> out = original.query<IPersistStreamInit>(IID_IPersistStreamInit);
    EXPECT_EQ(out->IsDirty(), S_OK);
    com_ptr<IStream> stream = new_stream();
    ASSERT_EQ(out->Save(stream.get(), TRUE), S_OK);
    EXPECT_EQ(out->IsDirty(), S_FALSE);
    ULARGE_INTEGER max{};
    ASSERT_EQ(out->GetSizeMax(&max), S_OK);
    EXPECT_EQ(max.QuadPart, stream_bytes(stream.get()).size());

    com_ptr<IUnknown> copy = create_control();
    ASSERT_EQ(copy.query<IPersistStreamInit>(IID_IPersistStreamInit)->Load(stream.get()), S_OK);
    com_ptr<IDispatch> restored = copy.query<IDispatch>(IID_IDispatch);
    EXPECT_EQ(get_long(restored.get(), L"Resolution"), 600);
    EXPECT_EQ(get_string(restored.get(), L"filename"), L"C:\\out\\scan.tif");
    EXPECT_EQ(get_long(restored.get(), L"MousePointer"), 99);
    EXPECT_EQ(get_long(restored.get(), L"ShowProgress"), -1);
    Variant restored_icon;
    ASSERT_EQ(invoke(restored.get(), dispid_of(restored.get(), L"MouseIcon"), DISPATCH_PROPERTYGET, {},
                     &restored_icon.v)
                  .hr,
              S_OK);
    ASSERT_EQ(V_VT(&restored_icon.v), VT_DISPATCH);
    ASSERT_NE(V_DISPATCH(&restored_icon.v), nullptr);
    com_ptr<IPicture> pic;
    V_DISPATCH(&restored_icon.v)->QueryInterface(IID_IPicture, pic.put_void());
    SHORT type = 0;
    ASSERT_TRUE(pic);
    pic->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_ICON);

    // The same record inside a storage's "Contents" stream.
    com_ptr<ILockBytes> bytes;
    ASSERT_EQ(::CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()), S_OK);
    com_ptr<IStorage> storage;
    ASSERT_EQ(::StgCreateDocfileOnILockBytes(bytes.get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                             storage.put()),
              S_OK);
    com_ptr<IPersistStorage> ps = original.query<IPersistStorage>(IID_IPersistStorage);
    ASSERT_EQ(ps->Save(storage.get(), TRUE), S_OK);
    EXPECT_EQ(ps->SaveCompleted(nullptr), S_OK);
    com_ptr<IStream> contents;
    EXPECT_EQ(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, contents.put()), S_OK);
    contents = nullptr;
    com_ptr<IUnknown> third = create_control();
    ASSERT_EQ(third.query<IPersistStorage>(IID_IPersistStorage)->Load(storage.get()), S_OK);
    EXPECT_EQ(get_long(third.query<IDispatch>(IID_IDispatch).get(), L"Resolution"), 600);
}

TEST(SettingsStream, DamagedRecordsChangeNothingAndSayWhy) {
    com_ptr<IDispatch> source = create_initialised();
    ASSERT_EQ(put_value(source.get(), L"Resolution", make_i2(600)), S_OK);
    com_ptr<IStream> stream = new_stream();
    ASSERT_EQ(source.query<IPersistStreamInit>(IID_IPersistStreamInit)->Save(stream.get(), TRUE), S_OK);
    const std::vector<BYTE> good = stream_bytes(stream.get());
    ASSERT_GT(good.size(), 12u);

    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
        HRESULT expected;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}, STG_E_READFAULT});
    cases.push_back({"header only", std::vector<BYTE>(good.begin(), good.begin() + 12), STG_E_READFAULT});
    cases.push_back({"one byte short", std::vector<BYTE>(good.begin(), good.end() - 1), STG_E_READFAULT});
    std::vector<BYTE> bad_magic = good;
    bad_magic[0] ^= 0xFF;
    cases.push_back({"bad magic", bad_magic, STG_E_INVALIDHEADER});
    std::vector<BYTE> next_major = good;
    next_major[4] = 2;
    cases.push_back({"next major version", next_major, STG_E_INVALIDHEADER});

    for (const Case& c : cases) {
        com_ptr<IDispatch> target = create_initialised();
        com_ptr<IStream> in = stream_of(c.bytes);
        const HRESULT hr = target.query<IPersistStreamInit>(IID_IPersistStreamInit)->Load(in.get());
        EXPECT_EQ(hr, c.expected) << c.what;
        EXPECT_FALSE(error_description().empty()) << c.what;
        EXPECT_EQ(get_long(target.get(), L"Resolution"), 75) << c.what;
    }

    // A later minor version with an unknown tail loads, and the stream is
    // left just after the record.
    std::vector<BYTE> newer = good;
    newer[6] = 3;
    newer.insert(newer.end(), {1, 2, 3, 4});
    const DWORD payload = static_cast<DWORD>(newer.size() - 12);
    memcpy(&newer[8], &payload, 4);
    newer.push_back(0x42);
    com_ptr<IStream> in = stream_of(newer);
    com_ptr<IDispatch> target = create_initialised();
    ASSERT_EQ(target.query<IPersistStreamInit>(IID_IPersistStreamInit)->Load(in.get()), S_OK);
    EXPECT_EQ(get_long(target.get(), L"Resolution"), 600);
    BYTE next = 0;
    ULONG got = 0;
    in->Read(&next, 1, &got);
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(next, 0x42);
}

// VariantInit as systems before Windows 8.1 have it: only the type is set
// (Wine's clears the whole VARIANT, which would hide a missing initialisation).
void WINAPI variant_init_type_only(VARIANT* v) {
    std::memset(v, 0xA5, sizeof *v);
    V_VT(v) = VT_EMPTY;
}

// Records the object slot it is handed, then answers "not stored".
class SlotRecordingBag final : public Recorder<IPropertyBag> {
public:
    std::vector<void*> object_slots;
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT* v, IErrorLog*) override {
        if (V_VT(v) == VT_DISPATCH) object_slots.push_back(V_DISPATCH(v));
        V_VT(v) = VT_EMPTY;  // without releasing what an uninitialised slot would hold
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return S_OK; }

protected:
    bool answers(REFIID riid) override { return IsEqualIID(riid, IID_IPropertyBag); }
};

TEST(PropertyBag, TheBagIsHandedAnInitialisedObjectSlot) {
    com_ptr<IUnknown> control = create_control();
    SlotRecordingBag bag;
    {
        hostkit::import_patch patch(::GetModuleHandleW(L"korvixlite.ocx"), "oleaut32.dll", "VariantInit",
                                    reinterpret_cast<const void*>(&variant_init_type_only));
        ASSERT_TRUE(patch.active());
        ASSERT_EQ(control.query<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(&bag, nullptr), S_OK);
    }
    EXPECT_EQ(bag.object_slots, std::vector<void*>{nullptr});
}

std::vector<BYTE> from_hex(const char* hex) {
    std::vector<BYTE> out;
    for (; hex[0] && hex[1]; hex += 2) out.push_back(static_cast<BYTE>(std::stoi(std::string(hex, 2), nullptr, 16)));
    return out;
}

TEST(SettingsStream, RefusedValueOrDamagedIconChangesNothingAtAll) {
    // Saved with the first eleven keys away from their defaults and
    // BorderStyle (byte 98) 2; MousePointer is byte 22, BackColor 12-15.
    std::vector<BYTE> fine = from_hex(
        "4b5658530100000062000000563412000000000000000b0008000000540069007000200041002000e9002d4e050000002c01130000"
        "0043003a005c007300630061006e0073005c0061002d00660069006c0065002e0062006d0070000000ffff0000020000005a000400"
        "02000000");
    fine[98] = 1;
    // A 32 x 32 icon: its size at 18, class id at 22, "lt" header at 38, icon
    // file at 46 (entry count 50), bitmap header at 68 (height 76).
    com_ptr<IDispatch> with_icon = create_initialised();
    com_ptr<IPictureDisp> icon = icon_picture();
    ASSERT_EQ(hostkit::dispatch_putref(with_icon.get(), dispid_of(with_icon.get(), L"MouseIcon"), icon.get()).hr, S_OK);
    const std::vector<BYTE> icon_record = hostkit::saved_record(with_icon.get());
    ASSERT_GT(icon_record.size(), 4000u);
    ASSERT_EQ(icon_record[64], 22);  // one entry, its image right after it
    const size_t pointer_after_icon = 22 + (icon_record[18] | icon_record[19] << 8);

    const struct {
        const char* what;
        const std::vector<BYTE>& record;
        size_t at;
        BYTE value;
        HRESULT expected;
    } cases[] = {
        {"BorderStyle 2", fine, 98, 2, CTL_E_INVALIDPROPERTYVALUE},
        {"MousePointer 50", fine, 22, 50, CTL_E_INVALIDPROPERTYVALUE},
        {"BackColor 0x80123456, no such system colour", fine, 15, 0x80, CTL_E_INVALIDPROPERTYVALUE},
        {"MouseIcon, then MousePointer 50", icon_record, pointer_after_icon, 50, CTL_E_INVALIDPROPERTYVALUE},
        // The two that crashed the platform's picture loader, then a class other than the standard picture.
        {"icon entry count 50177", icon_record, 51, 0xC4, CTL_E_INVALIDPICTURE},
        {"icon height 0x04000040", icon_record, 79, 0x04, CTL_E_INVALIDPICTURE},
        {"the standard font's class", icon_record, 22, 0x03, CTL_E_INVALIDPICTURE},
    };
    // Refused whole: no property changed, no sink told, not dirty.
    for (const auto& c : cases) {
        std::vector<BYTE> bad = c.record;
        bad[c.at] = c.value;
        com_ptr<IDispatch> target = create_initialised();
        NotifyRecorder notify;
        hostkit::sink_connection advised(target.get(), IID_IPropertyNotifySink, &notify);
        const hostkit::control_state before = hostkit::read_state(target.get());
        EXPECT_EQ(hostkit::load_record(target.get(), bad), c.expected) << c.what;
        EXPECT_FALSE(error_description().empty()) << c.what;
        EXPECT_EQ(hostkit::read_state(target.get()), before) << c.what;
        EXPECT_TRUE(notify.changed.empty()) << c.what;
        EXPECT_EQ(target.query<IPersistStreamInit>(IID_IPersistStreamInit)->IsDirty(), S_FALSE) << c.what;
    }
    com_ptr<IDispatch> target = create_initialised();
    ASSERT_EQ(hostkit::load_record(target.get(), fine), S_OK);
    EXPECT_EQ(get_string(target.get(), L"ToolTipText"), L"Tip A \u00e9\u4e2d");
}

}  // namespace
}  // namespace korvix::object_test
