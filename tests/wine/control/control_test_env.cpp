#include "tests/wine/control/control_test_env.h"

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {

using hostkit::recording_property_bag;

const std::vector<persisted_key>& persisted_keys() {
    static const std::vector<persisted_key> keys = {
        {L"BackColor", VT_I4, DISPID_Twain_BackColor},
        {L"Enabled", VT_BOOL, DISPID_Twain_Enabled},
        {L"MouseIcon", VT_DISPATCH, DISPID_Twain_MouseIcon},
        {L"MousePointer", VT_I2, DISPID_Twain_MousePointer},
        {L"ToolTipText", VT_BSTR, DISPID_Twain_ToolTipText},
        {L"ColorType", VT_I4, DISPID_Twain_ColorType},
        {L"Resolution", VT_I2, DISPID_Twain_Resolution},
        {L"Filename", VT_BSTR, DISPID_Twain_filename},
        {L"ShowProgress", VT_BOOL, DISPID_Twain_ShowProgress},
        {L"ShowInterface", VT_BOOL, DISPID_Twain_ShowInterface},
        {L"AutoRedraw", VT_BOOL, DISPID_Twain_AutoRedraw},
        {L"BorderStyle", VT_I2, DISPID_Twain_BorderStyle},
        {L"Scrollable", VT_BOOL, DISPID_Twain_Scrollable},
        {L"Quality", VT_I2, 0},
        {L"Compression", VT_I2, 0},
        {L"FileType", VT_I4, DISPID_Twain_FileType},
    };
    return keys;
}

unique_variant default_value(const std::wstring& key) {
    if (key == L"BackColor") return unique_variant::i4(static_cast<LONG>(0x80000005));
    if (key == L"Enabled") return unique_variant::boolean(true);
    if (key == L"MouseIcon") return unique_variant::dispatch(nullptr);
    if (key == L"MousePointer") return unique_variant::i2(0);
    if (key == L"ToolTipText") return unique_variant::bstr(L"");
    if (key == L"ColorType") return unique_variant::i4(0);
    if (key == L"Resolution") return unique_variant::i2(75);
    if (key == L"Filename") return unique_variant::bstr(L"");
    if (key == L"ShowProgress") return unique_variant::boolean(true);
    if (key == L"ShowInterface") return unique_variant::boolean(false);
    if (key == L"AutoRedraw") return unique_variant::boolean(true);
    if (key == L"BorderStyle") return unique_variant::i2(1);
    if (key == L"Scrollable") return unique_variant::boolean(true);
    if (key == L"Quality") return unique_variant::i2(0);
    if (key == L"Compression") return unique_variant::i2(0);
    if (key == L"FileType") return unique_variant::i4(0);
    ADD_FAILURE() << "no such key";
    return {};
}

unique_variant changed_value(const std::wstring& key) {
    if (key == L"BackColor") return unique_variant::i4(0x00336699);
    if (key == L"Enabled") return unique_variant::boolean(false);
    if (key == L"MouseIcon") {
        com_ptr<IPictureDisp> icon = hostkit::make_icon_picture();  // shares the system icon
        return unique_variant::dispatch(icon.get());
    }
    if (key == L"MousePointer") return unique_variant::i2(2);
    if (key == L"ToolTipText") return unique_variant::bstr(L"Scan here");
    if (key == L"ColorType") return unique_variant::i4(2);
    if (key == L"Resolution") return unique_variant::i2(300);
    if (key == L"Filename") return unique_variant::bstr(L"C:\\scans\\page 1.bmp");
    if (key == L"ShowProgress") return unique_variant::boolean(false);
    if (key == L"ShowInterface") return unique_variant::boolean(true);
    if (key == L"AutoRedraw") return unique_variant::boolean(false);
    if (key == L"BorderStyle") return unique_variant::i2(0);
    if (key == L"Scrollable") return unique_variant::boolean(false);
    if (key == L"Quality") return unique_variant::i2(90);
    if (key == L"Compression") return unique_variant::i2(4);
    if (key == L"FileType") return unique_variant::i4(3);
    ADD_FAILURE() << "no such key";
    return {};
}

com_ptr<recording_property_bag> changed_bag() {
    auto bag = recording_property_bag::create();
    for (const persisted_key& k : persisted_keys()) bag->preload(k.key, changed_value(k.key));
    return bag;
}

com_ptr<recording_property_bag> save_all_to_new_bag(hostkit::hosted_control& control) {
    auto bag = recording_property_bag::create();
    auto persist = control.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    EXPECT_TRUE(persist);
    if (persist) {
        EXPECT_EQ(persist->Save(bag.get(), TRUE, TRUE), S_OK);
    }
    return bag;
}

std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

::testing::AssertionResult same_value(const VARIANT& expected, const VARIANT& actual) {
    auto text = [](const VARIANT& v) {
        std::string s = "vt=" + std::to_string(v.vt) + " ";
        for (wchar_t c : unique_variant(v).as_string()) s.push_back(c < 128 ? static_cast<char>(c) : '?');
        return s;
    };
    const VARTYPE e = expected.vt, a = actual.vt;
    bool same = false;
    if (e == VT_DISPATCH || e == VT_UNKNOWN || a == VT_DISPATCH || a == VT_UNKNOWN) {
        // Pictures: the same object or handle, or (after a trip through a
        // stream) a new picture of the same kind and size.
        struct shape {
            HANDLE handle = nullptr;
            SHORT type = PICTYPE_UNINITIALIZED;
            OLE_XSIZE_HIMETRIC width = 0;
            OLE_YSIZE_HIMETRIC height = 0;
        };
        auto shape_of = [](const VARIANT& v) {
            shape s;
            com_ptr<IPicture> pic;
            if (v.vt == VT_DISPATCH && v.pdispVal) v.pdispVal->QueryInterface(IID_IPicture, pic.put_void());
            if (pic) {
                OLE_HANDLE h = 0;
                pic->get_Handle(&h);
                s.handle = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(h));
                pic->get_Type(&s.type);
                pic->get_Width(&s.width);
                pic->get_Height(&s.height);
            }
            return s;
        };
        const bool e_null = e != VT_DISPATCH || !expected.pdispVal;
        const bool a_null = a != VT_DISPATCH || !actual.pdispVal;
        if (e == VT_DISPATCH && a == VT_DISPATCH && e_null == a_null) {
            const shape x = shape_of(expected), y = shape_of(actual);
            same = e_null || x.handle == y.handle ||
                   (x.type == y.type && x.width == y.width && x.height == y.height && y.handle != nullptr);
        }
    } else if (e == VT_BSTR || a == VT_BSTR) {
        same = e == VT_BSTR && a == VT_BSTR &&
               unique_variant(expected).as_string() == unique_variant(actual).as_string();
    } else if ((e == VT_I4 || e == VT_UI4) && (a == VT_I4 || a == VT_UI4)) {
        same = expected.lVal == actual.lVal;  // colours: compare the 32 bits
    } else if (e == VT_BOOL || a == VT_BOOL) {
        same = e == VT_BOOL && a == VT_BOOL && (expected.boolVal != 0) == (actual.boolVal != 0);
    } else {
        same = ::VarCmp(const_cast<VARIANT*>(&expected), const_cast<VARIANT*>(&actual), LOCALE_USER_DEFAULT, 0) ==
               VARCMP_EQ;
    }
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << text(expected) << ", got " << text(actual);
}

void ControlTest::SetUp() {
    frame_ = std::make_unique<hostkit::frame_window>(L"Korvix test form", SIZE{640, 480});
}

void ControlTest::TearDown() {
    hostkit::pump_messages();
    frame_.reset();
}

std::unique_ptr<hostkit::hosted_control> ControlTest::host_new(const RECT& pos) {
    auto control = std::make_unique<hostkit::hosted_control>(frame_->hwnd(), pos);
    EXPECT_EQ(control->init_new(), S_OK);
    EXPECT_EQ(control->activate(), S_OK);
    hostkit::pump_messages();
    return control;
}

std::unique_ptr<hostkit::hosted_control> ControlTest::host_loaded(IPropertyBag* bag, const RECT& pos) {
    auto control = std::make_unique<hostkit::hosted_control>(frame_->hwnd(), pos);
    EXPECT_EQ(control->load(bag), S_OK);
    EXPECT_EQ(control->activate(), S_OK);
    hostkit::pump_messages();
    return control;
}

unique_variant ControlTest::get(IDispatch* d, DISPID id) {
    hostkit::dispatch_result r = hostkit::dispatch_get(d, id);
    EXPECT_EQ(r.hr, S_OK) << "get of DISPID 0x" << std::hex << id << ": " << hostkit::describe(r);
    return std::move(r.value);
}

void ControlTest::put(IDispatch* d, DISPID id, const unique_variant& value) {
    hostkit::dispatch_result r = hostkit::dispatch_put(d, id, *value.get());
    EXPECT_EQ(r.hr, S_OK) << "put of DISPID 0x" << std::hex << id << ": " << hostkit::describe(r);
}

void ControlTest::putref(IDispatch* d, DISPID id, IDispatch* object) {
    hostkit::dispatch_result r = hostkit::dispatch_putref(d, id, object);
    EXPECT_EQ(r.hr, S_OK) << "putref of DISPID 0x" << std::hex << id << ": " << hostkit::describe(r);
}

}  // namespace korvix::test
