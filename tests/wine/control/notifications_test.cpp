// What a container hears when a property changes: OnChanged with the
// property's own DISPID, and the control becomes dirty.
#include "tests/wine/control/control_test_env.h"

#include "tests/wine/hostkit/test_pictures.h"

#include <algorithm>

namespace korvix::test {
namespace {

struct writable_property {
    const char* name;
    DISPID id;
    bool by_reference;
};

const writable_property kWritable[] = {
    {"BorderStyle", DISPID_Twain_BorderStyle, false},   {"BackColor", DISPID_Twain_BackColor, false},
    {"Enabled", DISPID_Twain_Enabled, false},           {"MouseIcon", DISPID_Twain_MouseIcon, true},
    {"MousePointer", DISPID_Twain_MousePointer, false}, {"Picture", DISPID_Twain_Picture, true},
    {"AutoRedraw", DISPID_Twain_AutoRedraw, false},     {"ToolTipText", DISPID_Twain_ToolTipText, false},
    {"ColorType", DISPID_Twain_ColorType, false},       {"Resolution", DISPID_Twain_Resolution, false},
    {"filename", DISPID_Twain_filename, false},         {"ShowProgress", DISPID_Twain_ShowProgress, false},
    {"ShowInterface", DISPID_Twain_ShowInterface, false}, {"Scrollable", DISPID_Twain_Scrollable, false},
};

unique_variant new_value(DISPID id) {
    switch (id) {
    case DISPID_Twain_BorderStyle: return unique_variant::i2(0);
    case DISPID_Twain_BackColor: return unique_variant::i4(0x000000FF);
    case DISPID_Twain_Enabled: return unique_variant::boolean(false);
    case DISPID_Twain_MousePointer: return unique_variant::i2(11);
    case DISPID_Twain_AutoRedraw: return unique_variant::boolean(false);
    case DISPID_Twain_ToolTipText: return unique_variant::bstr(L"tip");
    case DISPID_Twain_ColorType: return unique_variant::i4(2);
    case DISPID_Twain_Resolution: return unique_variant::i2(150);
    case DISPID_Twain_filename: return unique_variant::bstr(L"C:\\out.bmp");
    case DISPID_Twain_ShowProgress: return unique_variant::boolean(false);
    case DISPID_Twain_ShowInterface: return unique_variant::boolean(true);
    case DISPID_Twain_Scrollable: return unique_variant::boolean(false);
    }
    return {};
}

// Clears the dirty state by saving, as a container does after storing a form.
HRESULT save_clean(hostkit::hosted_control& control) {
    auto persist = control.query<IPersistStreamInit>(IID_IPersistStreamInit);
    if (!persist) return E_NOINTERFACE;
    com_ptr<IStream> stream;
    KORVIX_RETURN_IF_FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()));
    return persist->Save(stream.get(), TRUE);
}

HRESULT is_dirty(hostkit::hosted_control& control) {
    auto persist = control.query<IPersistStreamInit>(IID_IPersistStreamInit);
    return persist ? persist->IsDirty() : E_NOINTERFACE;
}

}  // namespace

class Notifications : public ControlTest {};

TEST_F(Notifications, EachWritablePropertyAnnouncesItsOwnDispidAndMakesTheControlDirty) {
    for (const writable_property& p : kWritable) {
        SCOPED_TRACE(p.name);
        auto control = host_new();
        ASSERT_EQ(save_clean(*control), S_OK);
        EXPECT_EQ(is_dirty(*control), S_FALSE);
        control->notifications().clear();
        if (p.id == DISPID_Twain_Picture) {
            putref(control->dispatch(), p.id, hostkit::make_gradient_picture(16, 16).get());
        } else if (p.id == DISPID_Twain_MouseIcon) {
            putref(control->dispatch(), p.id, hostkit::make_icon_picture().get());
        } else {
            put(control->dispatch(), p.id, new_value(p.id));
        }
        EXPECT_EQ(control->notifications().changed_ids(), std::vector<DISPID>{p.id});
        EXPECT_EQ(is_dirty(*control), S_OK);
    }
}

TEST_F(Notifications, ChangesAreAnnouncedOnceEachInTheOrderMade) {
    auto control = host_new();
    control->notifications().clear();
    IDispatch* d = control->dispatch();
    put(d, DISPID_Twain_Resolution, unique_variant::i2(200));
    put(d, DISPID_Twain_ShowInterface, unique_variant::boolean(true));
    put(d, DISPID_Twain_Resolution, unique_variant::i2(200));  // same value again: still a write
    put(d, DISPID_Twain_BackColor, unique_variant::i4(RGB(1, 2, 3)));
    const std::vector<DISPID> expected{DISPID_Twain_Resolution, DISPID_Twain_ShowInterface, DISPID_Twain_Resolution,
                                       DISPID_Twain_BackColor};
    EXPECT_EQ(control->notifications().changed_ids(), expected);
    // Reads announce nothing.
    control->notifications().clear();
    get(d, DISPID_Twain_Resolution);
    get(d, DISPID_Twain_Picture);
    get(d, DISPID_Twain_BitmapWidth);
    EXPECT_TRUE(control->notifications().events().empty());
}

TEST_F(Notifications, FilenameIsAnnouncedUnderTheFilenameProperty) {
    auto control = host_new();
    control->notifications().clear();
    put(control->dispatch(), DISPID_Twain_filename, unique_variant::bstr(L"scan.bmp"));
    ASSERT_EQ(control->notifications().changed_ids().size(), 1u);
    EXPECT_EQ(control->notifications().changed_ids()[0], static_cast<DISPID>(DISPID_Twain_filename));
    DISPID by_name = 0;
    ASSERT_EQ(hostkit::dispid_of(control->dispatch(), L"filename", &by_name), S_OK);
    EXPECT_EQ(by_name, static_cast<DISPID>(DISPID_Twain_filename));
}

TEST_F(Notifications, RejectedValueChangesNothingAndAnnouncesNothing) {
    auto control = host_new();
    const unique_variant border_before = get(control->dispatch(), DISPID_Twain_BorderStyle);
    control->notifications().clear();
    hostkit::dispatch_result r =
        hostkit::dispatch_put(control->dispatch(), DISPID_Twain_MousePointer, *unique_variant::i2(1234).get());
    EXPECT_TRUE(FAILED(r.hr));
    EXPECT_FALSE(r.description.empty()) << hostkit::describe(r);
    r = hostkit::dispatch_put(control->dispatch(), DISPID_Twain_BorderStyle, *unique_variant::i2(7).get());
    EXPECT_TRUE(FAILED(r.hr));
    EXPECT_FALSE(r.description.empty()) << hostkit::describe(r);
    EXPECT_TRUE(control->notifications().changed_ids().empty());
    EXPECT_TRUE(same_value(*unique_variant::i2(0).get(), *get(control->dispatch(), DISPID_Twain_MousePointer).get()));
    EXPECT_TRUE(same_value(*border_before.get(), *get(control->dispatch(), DISPID_Twain_BorderStyle).get()));
}

TEST_F(Notifications, ReadOnlyPropertiesRefuseWrites) {
    auto control = host_new();
    control->notifications().clear();
    for (DISPID id : {DISPID_Twain_FileType, DISPID_Twain_hDC, DISPID_Twain_hwnd, DISPID_Twain_BitmapWidth,
                      DISPID_Twain_BitmapHeight}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(FAILED(hostkit::dispatch_put(control->dispatch(), id, *unique_variant::i4(3).get()).hr));
    }
    EXPECT_TRUE(control->notifications().changed_ids().empty());
    EXPECT_TRUE(same_value(*unique_variant::i4(0).get(), *get(control->dispatch(), DISPID_Twain_FileType).get()));
}

TEST_F(Notifications, LoadingABagAnnouncesTheMouseIcon) {
    auto bag = hostkit::recording_property_bag::create();
    auto icon = hostkit::make_icon_picture();
    bag->preload(L"MouseIcon", unique_variant::dispatch(icon.get()));
    hostkit::hosted_control control(frame_->hwnd(), kControlRect);
    ASSERT_EQ(control.load(bag.get()), S_OK);
    const std::vector<DISPID> ids = control.notifications().changed_ids();
    EXPECT_NE(std::find(ids.begin(), ids.end(), static_cast<DISPID>(DISPID_Twain_MouseIcon)), ids.end());
    unique_variant shown = get(control.dispatch(), DISPID_Twain_MouseIcon);
    EXPECT_TRUE(same_value(*unique_variant::dispatch(icon.get()).get(), *shown.get()));
}

}  // namespace korvix::test
