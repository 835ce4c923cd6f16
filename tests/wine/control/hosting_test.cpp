// The control in two containers: the platform's minimal ATL one and ours.
#include "tests/wine/control/control_test_env.h"

#include "tests/wine/hostkit/atl_host.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/hostkit/view_windows.h"

namespace korvix::test {
namespace {

HWND picture_box_of(IDispatch* control) {
    unique_variant hwnd = ControlTest::get(control, DISPID_Twain_hwnd);
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd->lVal));
}

}  // namespace

class Hosting : public ControlTest {};

TEST_F(Hosting, AtlContainerCreatesInitialisesAndActivatesTheControl) {
    hostkit::atl_host atl;
    {
        unique_hwnd ax = atl.create(frame_->hwnd(), RECT{10, 10, 330, 250}, kProgId);
        ASSERT_TRUE(ax) << "AtlAxWin could not host Korvix.Twain";
        hostkit::pump_messages();
        com_ptr<IUnknown> unknown = atl.control(ax.get());
        ASSERT_TRUE(unknown);
        auto control = unknown.query<IDispatch>(IID_IDispatch);
        ASSERT_TRUE(control);
        // InitNew through IPersistStreamInit gave the new-instance defaults.
        EXPECT_TRUE(same_value(*unique_variant::i2(75).get(), *get(control.get(), DISPID_Twain_Resolution).get()));
        EXPECT_TRUE(
            same_value(*unique_variant::boolean(true).get(), *get(control.get(), DISPID_Twain_ShowProgress).get()));
        // In place inside the ATL window.
        HWND box = picture_box_of(control.get());
        ASSERT_TRUE(::IsWindow(box));
        EXPECT_TRUE(::IsChild(ax.get(), box));
        EXPECT_TRUE(::IsWindowVisible(box));
        putref(control.get(), DISPID_Twain_Picture, hostkit::make_gradient_picture(500, 100).get());
        EXPECT_TRUE(same_value(*unique_variant::i4(500).get(), *get(control.get(), DISPID_Twain_BitmapWidth).get()));
        // The ATL window had no ambient dispatch to offer: the control still works.
        hostkit::pump_messages();
    }
    hostkit::pump_messages();
    ::CoFreeUnusedLibraries();
    EXPECT_EQ(hostkit::module_can_unload(hostkit::module_under_test()), S_OK) << "the ATL teardown left an object alive";
}

TEST_F(Hosting, OwnContainerActivatesInPlaceAtTheGivenRectangle) {
    const RECT pos{20, 30, 340, 270};
    auto control = host_new(pos);
    DWORD misc = 0;
    EXPECT_EQ(control->ole_object()->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(misc, kTwainMiscStatus);
    EXPECT_GE(control->site().in_place_activations(), 1);

    HWND window = control->window();
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_EQ(::GetParent(window), frame_->hwnd());
    EXPECT_TRUE(::IsWindowVisible(window));
    const RECT placed = hostkit::child_rect_pixels(window);
    EXPECT_TRUE(::EqualRect(&placed, &pos)) << placed.left << "," << placed.top << " " << placed.right << ","
                                            << placed.bottom;
    // hwnd is the picture box inside that window, not the window itself.
    HWND box = picture_box_of(control->dispatch());
    EXPECT_NE(box, window);
    EXPECT_EQ(::GetParent(box), window);

    ASSERT_EQ(control->move(RECT{0, 0, 200, 100}), S_OK);
    const RECT moved = hostkit::child_rect_pixels(window);
    EXPECT_EQ(moved.right - moved.left, 200);
    EXPECT_EQ(moved.bottom - moved.top, 100);
}

TEST_F(Hosting, DeactivationParksTheWindowsAndTeardownGivesBackTheSite) {
    auto control = host_new();
    HWND window = control->window();
    ASSERT_TRUE(::IsWindow(window));
    control->teardown();
    hostkit::pump_messages();
    EXPECT_GE(control->site().in_place_deactivations(), 1);
    EXPECT_TRUE(!::IsWindow(window) || ::GetAncestor(window, GA_ROOT) != frame_->hwnd())
        << "the control left its window in the form";
    EXPECT_EQ(control->site().ref_count(), 1) << "the control kept references to its site";
    EXPECT_EQ(control->notifications().ref_count(), 1) << "the control kept the notification sink";
}

TEST_F(Hosting, ViewObjectDrawsThePictureIntoAHostDc) {
    auto control = host_new();
    putref(control->dispatch(), DISPID_Twain_Picture, hostkit::make_solid_picture(40, 30, RGB(0, 200, 0)).get());
    auto view = control->query<IViewObject>(IID_IViewObject);
    ASSERT_TRUE(view);
    window_dc screen(nullptr);
    unique_hdc dc(::CreateCompatibleDC(screen.get()));
    unique_hbitmap target(::CreateCompatibleBitmap(screen.get(), 320, 240));
    select_scope select(dc.get(), target.get());
    RECTL bounds{0, 0, 320, 240};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(), &bounds, nullptr, nullptr, 0),
              S_OK);
    // Inside the control's border, the picture's top-left corner.
    EXPECT_EQ(::GetPixel(dc.get(), 5, 5), RGB(0, 200, 0));
}

}  // namespace korvix::test
