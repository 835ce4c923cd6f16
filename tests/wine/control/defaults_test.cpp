// A control freshly dropped on a form: what its properties read and what
// it writes into the form's property bag.
#include "tests/wine/control/control_test_env.h"

#include <algorithm>

namespace korvix::test {
namespace {

using hostkit::recording_property_bag;

struct default_property {
    const wchar_t* name;
    DISPID id;
    unique_variant value;
    VARTYPE vt;
};

std::vector<default_property> new_instance_defaults() {
    return {
        {L"Resolution", DISPID_Twain_Resolution, unique_variant::i2(75), VT_I2},
        {L"ShowProgress", DISPID_Twain_ShowProgress, unique_variant::boolean(true), VT_BOOL},
        {L"ShowInterface", DISPID_Twain_ShowInterface, unique_variant::boolean(false), VT_BOOL},
        {L"AutoRedraw", DISPID_Twain_AutoRedraw, unique_variant::boolean(true), VT_BOOL},
        {L"Scrollable", DISPID_Twain_Scrollable, unique_variant::boolean(true), VT_BOOL},
        {L"ColorType", DISPID_Twain_ColorType, unique_variant::i4(0), VT_I4},
        {L"FileType", DISPID_Twain_FileType, unique_variant::i4(0), VT_I4},
        {L"filename", DISPID_Twain_filename, unique_variant::bstr(L""), VT_BSTR},
        {L"BorderStyle", DISPID_Twain_BorderStyle, unique_variant::i2(1), VT_I2},
        {L"BackColor", DISPID_Twain_BackColor, unique_variant::i4(static_cast<LONG>(0x80000005)), VT_UI4},
        {L"Enabled", DISPID_Twain_Enabled, unique_variant::boolean(true), VT_BOOL},
        {L"MousePointer", DISPID_Twain_MousePointer, unique_variant::i2(0), VT_I2},
        {L"ToolTipText", DISPID_Twain_ToolTipText, unique_variant::bstr(L""), VT_BSTR},
        {L"MouseIcon", DISPID_Twain_MouseIcon, unique_variant::dispatch(nullptr), VT_DISPATCH},
    };
}

void expect_new_instance_state(IDispatch* control) {
    for (const default_property& p : new_instance_defaults()) {
        SCOPED_TRACE(::testing::Message() << "property " << std::string(p.name, p.name + wcslen(p.name)));
        DISPID id = 0;
        ASSERT_EQ(hostkit::dispid_of(control, p.name, &id), S_OK);
        EXPECT_EQ(id, p.id) << "the type library maps the name to another DISPID";
        unique_variant value = ControlTest::get(control, p.id);
        if (p.vt == VT_UI4)  // OLE_COLOR may come back as either 32-bit integer type
            EXPECT_TRUE(value.vt() == VT_UI4 || value.vt() == VT_I4) << value.vt();
        else
            EXPECT_EQ(value.vt(), p.vt);
        EXPECT_TRUE(same_value(*p.value.get(), *value.get()));
    }
}

}  // namespace

class Defaults : public ControlTest {};

TEST_F(Defaults, NewInstanceReadsTheDocumentedDefaultsThroughIDispatch) {
    auto control = host_new();
    expect_new_instance_state(control->dispatch());
}

TEST_F(Defaults, NewInstanceHoldsAnEmptyPictureNotNothing) {
    auto control = host_new();
    unique_variant picture = get(control->dispatch(), DISPID_Twain_Picture);
    ASSERT_EQ(picture.vt(), VT_DISPATCH);
    ASSERT_NE(picture->pdispVal, nullptr) << "a new control's Picture is an empty picture, not Nothing";
    EXPECT_TRUE(same_value(*unique_variant::i4(0).get(), *get(control->dispatch(), DISPID_Twain_BitmapWidth).get()));
    EXPECT_TRUE(same_value(*unique_variant::i4(0).get(), *get(control->dispatch(), DISPID_Twain_BitmapHeight).get()));
}

TEST_F(Defaults, UntouchedControlWritesOnlyDefaultsInKeyOrderWithTheirTypes) {
    auto control = host_new();
    auto bag = recording_property_bag::create();
    auto persist = control->query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    ASSERT_TRUE(persist);
    ASSERT_EQ(persist->Save(bag.get(), TRUE, TRUE), S_OK);

    // A host may drop values equal to their defaults; whatever is written
    // must come in key order, once, with its type and its default value.
    size_t next = 0;
    const auto& keys = persisted_keys();
    for (const auto& call : bag->calls()) {
        ASSERT_EQ(call.op, recording_property_bag::call::write) << "Save read from the bag";
        const std::string key(call.key.begin(), call.key.end());
        auto it = std::find_if(keys.begin() + next, keys.end(),
                               [&](const persisted_key& k) { return call.key == k.key; });
        ASSERT_NE(it, keys.end()) << "key " << key << " written out of order, twice, or unknown";
        next = static_cast<size_t>(it - keys.begin()) + 1;
        if (call.key == L"MouseIcon")  // Nothing may be stored as an empty object of either kind
            EXPECT_TRUE(call.vt == VT_DISPATCH || call.vt == VT_UNKNOWN) << key;
        else
            EXPECT_EQ(call.vt, it->written_vt) << key;
        EXPECT_TRUE(same_value(*default_value(it->key).get(), *bag->value(it->key)->get())) << key;
    }

    // ...so that a form stored from it loads back into the same state.
    auto reloaded = host_loaded(bag.get());
    expect_new_instance_state(reloaded->dispatch());
}

TEST_F(Defaults, EmptyBagLoadsTheKeyDefaults) {
    auto bag = recording_property_bag::create();
    auto control = host_loaded(bag.get());
    expect_new_instance_state(control->dispatch());
    // Every key is asked for, in the stored order, although none is there.
    std::vector<std::wstring> expected;
    for (const auto& k : persisted_keys()) expected.push_back(k.key);
    EXPECT_EQ(bag->keys_read(), expected);
}

}  // namespace korvix::test
