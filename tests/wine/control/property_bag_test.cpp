// A stored form's property bag: every key is read, in order, into the
// property that shows it; Save writes them back in the same order and with
// the same types; a value of the wrong type fails clearly.
#include "tests/wine/control/control_test_env.h"

#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {
namespace {

using hostkit::recording_property_bag;

std::vector<std::wstring> all_keys() {
    std::vector<std::wstring> keys;
    for (const auto& k : persisted_keys()) keys.push_back(k.key);
    return keys;
}

}  // namespace

class PropertyBag : public ControlTest {};

TEST_F(PropertyBag, EveryKeyIsReadIntoItsProperty) {
    auto bag = changed_bag();
    auto control = host_loaded(bag.get());
    for (const persisted_key& k : persisted_keys()) {
        if (!k.property) continue;  // Quality and Compression: see the round trip below
        SCOPED_TRACE(narrow(k.key));
        EXPECT_TRUE(same_value(*changed_value(k.key).get(), *get(control->dispatch(), k.property).get()));
    }
}

TEST_F(PropertyBag, KeysAreReadOnceEachInStoredOrder) {
    auto bag = changed_bag();
    auto control = host_loaded(bag.get());
    EXPECT_EQ(bag->keys_read(), all_keys());
    EXPECT_TRUE(bag->keys_written().empty()) << "Load wrote into the bag";
}

TEST_F(PropertyBag, SaveWritesEveryChangedKeyInOrderWithItsType) {
    auto loaded_from = changed_bag();
    auto control = host_loaded(loaded_from.get());
    auto bag = save_all_to_new_bag(*control);
    EXPECT_EQ(bag->keys_written(), all_keys());
    const auto& calls = bag->calls();
    for (size_t i = 0; i < calls.size() && i < persisted_keys().size(); ++i) {
        const persisted_key& k = persisted_keys()[i];
        SCOPED_TRACE(narrow(k.key));
        EXPECT_EQ(calls[i].vt, k.written_vt);
        // Quality and Compression have no property: the bag is their only way out.
        EXPECT_TRUE(same_value(*changed_value(k.key).get(), *bag->value(k.key)->get()));
    }
}

TEST_F(PropertyBag, FileTypeThreeReadsBackAsThree) {
    auto bag = recording_property_bag::create();
    bag->preload(L"FileType", unique_variant::i4(3));
    auto control = host_loaded(bag.get());
    EXPECT_TRUE(same_value(*unique_variant::i4(3).get(), *get(control->dispatch(), DISPID_Twain_FileType).get()));
}

TEST_F(PropertyBag, ValuesOfConvertibleTypesAreConverted) {
    // Form files written by other tools store numbers as text or wider types.
    auto bag = recording_property_bag::create();
    bag->preload(L"Resolution", unique_variant::bstr(L"600"));
    bag->preload(L"ColorType", unique_variant::i2(1));
    bag->preload(L"ShowInterface", unique_variant::i4(-1));
    auto control = host_loaded(bag.get());
    EXPECT_TRUE(same_value(*unique_variant::i2(600).get(), *get(control->dispatch(), DISPID_Twain_Resolution).get()));
    EXPECT_TRUE(same_value(*unique_variant::i4(1).get(), *get(control->dispatch(), DISPID_Twain_ColorType).get()));
    EXPECT_TRUE(
        same_value(*unique_variant::boolean(true).get(), *get(control->dispatch(), DISPID_Twain_ShowInterface).get()));
}

TEST_F(PropertyBag, TextUnderResolutionFailsClearlyAndStopsTheLoadThere) {
    auto bag = changed_bag();
    bag->preload(L"Resolution", unique_variant::bstr(L"three hundred"));
    hostkit::hosted_control control(frame_->hwnd(), kControlRect);
    ::SetErrorInfo(0, nullptr);
    const HRESULT hr = control.load(bag.get());
    EXPECT_TRUE(FAILED(hr)) << "a value that cannot be converted must not load silently";
    com_ptr<IErrorInfo> info;
    std::wstring description;
    if (::GetErrorInfo(0, info.put()) == S_OK && info) {
        BSTR text = nullptr;
        info->GetDescription(&text);
        if (text) description.assign(text, ::SysStringLen(text));
        ::SysFreeString(text);
    }
    EXPECT_FALSE(description.empty()) << "the failure carries no description (hr=0x" << std::hex << hr << ")";

    // Reading stopped at "Resolution": nothing after it was asked for.
    const std::vector<std::wstring> keys = all_keys();
    const std::vector<std::wstring> expected_reads(keys.begin(), keys.begin() + 7);
    EXPECT_EQ(bag->keys_read(), expected_reads);

    IDispatch* d = control.dispatch();
    // Keys before it were applied...
    for (const wchar_t* key : {L"BackColor", L"Enabled", L"MousePointer", L"ToolTipText", L"ColorType"}) {
        SCOPED_TRACE(narrow(key));
        for (const auto& k : persisted_keys()) {
            if (k.key == std::wstring(key)) {
                EXPECT_TRUE(same_value(*changed_value(key).get(), *get(d, k.property).get()));
            }
        }
    }
    // ...keys after it keep the values of a control that was never initialised.
    EXPECT_TRUE(same_value(*unique_variant::bstr(L"").get(), *get(d, DISPID_Twain_filename).get()));
    EXPECT_TRUE(same_value(*unique_variant::boolean(false).get(), *get(d, DISPID_Twain_ShowProgress).get()));
    EXPECT_TRUE(same_value(*unique_variant::boolean(false).get(), *get(d, DISPID_Twain_ShowInterface).get()));
    EXPECT_TRUE(same_value(*unique_variant::boolean(false).get(), *get(d, DISPID_Twain_AutoRedraw).get()));
    EXPECT_TRUE(same_value(*unique_variant::boolean(false).get(), *get(d, DISPID_Twain_Scrollable).get()));
    EXPECT_TRUE(same_value(*unique_variant::i4(0).get(), *get(d, DISPID_Twain_FileType).get()));

    // The control stays usable: it activates and takes a picture.
    EXPECT_EQ(control.activate(), S_OK);
    auto picture = hostkit::make_gradient_picture(40, 30);
    putref(d, DISPID_Twain_Picture, picture.get());
    EXPECT_TRUE(same_value(*unique_variant::i4(40).get(), *get(d, DISPID_Twain_BitmapWidth).get()));
}

TEST_F(PropertyBag, AnOutOfRangeMousePointerFailsTheLoad) {
    auto bag = recording_property_bag::create();
    bag->preload(L"MousePointer", unique_variant::i2(1234));
    hostkit::hosted_control control(frame_->hwnd(), kControlRect);
    EXPECT_TRUE(FAILED(control.load(bag.get())));
    EXPECT_TRUE(same_value(*unique_variant::i2(0).get(), *get(control.dispatch(), DISPID_Twain_MousePointer).get()));
}

}  // namespace korvix::test
