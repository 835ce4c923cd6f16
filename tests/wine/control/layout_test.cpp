// The view's geometry, read back from the real child windows: the picture
// box is the control's hwnd, its parent the control surface, and the two
// scroll bars are the surface's SCROLLBAR children. Positions are in twips
// (15 per pixel at 96 dpi); the control is 4800 x 3600 twips.
#include "tests/wine/control/control_test_env.h"

#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/hostkit/view_windows.h"
#include "tests/wine/hostkit/window_capture.h"

namespace korvix::test {
namespace {

using hostkit::twips_rect;
using hostkit::view_windows;

::testing::AssertionResult at(HWND window, LONG left, LONG top, LONG width, LONG height) {
    const twips_rect r = hostkit::child_rect_twips(window);
    if (r.left == left && r.top == top && r.width == width && r.height == height)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at (" << r.left << ", " << r.top << ") " << r.width << " x " << r.height
                                         << " twips; expected (" << left << ", " << top << ") " << width << " x "
                                         << height;
}

::testing::AssertionResult placed(HWND window, LONG left, LONG top, LONG width) {
    const twips_rect r = hostkit::child_rect_twips(window);
    if (r.left == left && r.top == top && r.width == width) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at (" << r.left << ", " << r.top << ") width " << r.width
                                         << " twips; expected (" << left << ", " << top << ") width " << width;
}

bool visible(HWND window) { return (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

struct view_state {
    RECT box, hbar, vbar;
    bool hvisible, vvisible;
    hostkit::scroll_range hrange, vrange;
    bool operator==(const view_state& o) const {
        return ::EqualRect(&box, &o.box) && ::EqualRect(&hbar, &o.hbar) && ::EqualRect(&vbar, &o.vbar) &&
               hvisible == o.hvisible && vvisible == o.vvisible && hrange.max_position == o.hrange.max_position &&
               vrange.max_position == o.vrange.max_position && hrange.position == o.hrange.position;
    }
};

}  // namespace

class Layout : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        if (hostkit::screen_dpi() != 96) GTEST_SKIP() << "twips expectations assume 96 dpi";
        control_ = host_new();
        unique_variant hwnd = get(control_->dispatch(), DISPID_Twain_hwnd);
        ASSERT_TRUE(hwnd.vt() == VT_I4);
        view_ = hostkit::find_view_windows(reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd->lVal)));
        ASSERT_TRUE(::IsWindow(view_.picture_box));
        ASSERT_TRUE(::IsWindow(view_.surface));
        ASSERT_TRUE(view_.hscroll) << "no horizontal SCROLLBAR child on the surface";
        ASSERT_TRUE(view_.vscroll) << "no vertical SCROLLBAR child on the surface";
        // The cases below are drawn with a fixed single border; a new
        // instance's own border style is checked with the defaults.
        put(d(), DISPID_Twain_BorderStyle, unique_variant::i2(1));
        ASSERT_EQ(hostkit::dispatch_call(d(), DISPID_Twain_Refresh).hr, S_OK);
        hostkit::pump_messages();
    }
    void TearDown() override {
        control_.reset();
        ControlTest::TearDown();
    }
    void show(int width, int height) {
        putref(control_->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(width, height).get());
        hostkit::pump_messages();
    }
    view_state state() const {
        return {hostkit::child_rect_pixels(view_.picture_box), hostkit::child_rect_pixels(view_.hscroll),
                hostkit::child_rect_pixels(view_.vscroll),     visible(view_.hscroll),
                visible(view_.vscroll),                        hostkit::read_scroll_range(view_.hscroll),
                hostkit::read_scroll_range(view_.vscroll)};
    }
    IDispatch* d() const { return control_->dispatch(); }

    std::unique_ptr<hostkit::hosted_control> control_;
    view_windows view_;
};

TEST_F(Layout, EmptyPictureFillsTheSurfaceLessTheBorderWithNoBars) {
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4740, 3540));
    EXPECT_FALSE(visible(view_.hscroll));
    EXPECT_FALSE(visible(view_.vscroll));
}

TEST_F(Layout, WideShortPictureGetsTheHorizontalBarOnly) {
    show(1000, 200);
    EXPECT_TRUE(visible(view_.hscroll));
    EXPECT_TRUE(placed(view_.hscroll, 0, 3285, 4770));
    const hostkit::scroll_range range = hostkit::read_scroll_range(view_.hscroll);
    EXPECT_EQ(range.min, 0);
    EXPECT_EQ(range.max_position, 684);
    EXPECT_FALSE(visible(view_.vscroll));
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4740, 3285));
    // The visible part, from the picture's top-left corner, pixel for pixel.
    ::RedrawWindow(view_.picture_box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const hostkit::window_capture image = hostkit::capture_window(view_.picture_box);
    ASSERT_EQ(image.width, 316);
    int wrong = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.at(x, y) != hostkit::gradient_pixel(x, y, 1000, 200)) ++wrong;
    EXPECT_EQ(wrong, 0);
}

TEST_F(Layout, TallNarrowPictureGetsTheVerticalBarOnly) {
    show(200, 1000);
    EXPECT_FALSE(visible(view_.hscroll));
    EXPECT_TRUE(visible(view_.vscroll));
    EXPECT_TRUE(at(view_.vscroll, 4485, 0, 255, 3570));
    const hostkit::scroll_range range = hostkit::read_scroll_range(view_.vscroll);
    EXPECT_EQ(range.min, 0);
    EXPECT_EQ(range.max_position, 1000 - 236);
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4485, 3540));
}

TEST_F(Layout, OverflowIsStrict) {
    show(316, 100);  // exactly the picture box's width: no bar
    EXPECT_FALSE(visible(view_.hscroll));
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4740, 3540));
    show(317, 100);  // one pixel more: a bar with a range of one
    EXPECT_TRUE(visible(view_.hscroll));
    EXPECT_EQ(hostkit::read_scroll_range(view_.hscroll).max_position, 1);
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4740, 3285));
}

TEST_F(Layout, BorderAllowanceAppliesOnlyWithAFixedSingleBorder) {
    put(d(), DISPID_Twain_BorderStyle, unique_variant::i2(0));
    show(10, 10);
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4800, 3600));
    show(1000, 200);
    EXPECT_TRUE(placed(view_.hscroll, 0, 3345, 4770)) << "bars are 30 twips short whatever the border";
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4800, 3345));
    put(d(), DISPID_Twain_BorderStyle, unique_variant::i2(1));
    show(10, 10);
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4740, 3540));
}

TEST_F(Layout, NotScrollableNeverShowsBars) {
    put(d(), DISPID_Twain_Scrollable, unique_variant::boolean(false));
    show(1000, 1000);
    EXPECT_FALSE(visible(view_.hscroll));
    EXPECT_FALSE(visible(view_.vscroll));
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4740, 3540));
}

TEST_F(Layout, ScrollableTurnedOffTakesEffectAtTheNextLayout) {
    show(1000, 200);
    put(d(), DISPID_Twain_Scrollable, unique_variant::boolean(false));
    EXPECT_TRUE(visible(view_.hscroll)) << "no property re-lays out the view";
    EXPECT_EQ(hostkit::dispatch_call(d(), DISPID_Twain_Refresh).hr, S_OK);
    hostkit::pump_messages();
    EXPECT_FALSE(visible(view_.hscroll));
}

TEST_F(Layout, WithoutAutoRedrawNoBarsAndTheOldImageStaysUntilRefresh) {
    put(d(), DISPID_Twain_BackColor, unique_variant::i4(RGB(0, 0, 255)));
    put(d(), DISPID_Twain_AutoRedraw, unique_variant::boolean(false));
    putref(d(), DISPID_Twain_Picture, hostkit::make_solid_picture(1000, 200, RGB(255, 0, 0)).get());
    EXPECT_FALSE(visible(view_.hscroll));
    EXPECT_FALSE(visible(view_.vscroll));
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 4740, 3540));
    ::RedrawWindow(view_.picture_box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(hostkit::capture_window(view_.picture_box).at(5, 5), RGB(0, 0, 255)) << "new picture shown anyway";

    EXPECT_EQ(hostkit::dispatch_call(d(), DISPID_Twain_Refresh).hr, S_OK);
    hostkit::pump_messages();
    ::RedrawWindow(view_.picture_box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(hostkit::capture_window(view_.picture_box).at(5, 5), RGB(255, 0, 0)) << "Refresh shows it";
    EXPECT_TRUE(visible(view_.hscroll)) << "Refresh lays out as if AutoRedraw were on";
}

TEST_F(Layout, NothingLeavesTheViewAsItWas) {
    show(1000, 200);
    const view_state before = state();
    ::RedrawWindow(view_.picture_box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const COLORREF pixel_before = hostkit::capture_window(view_.picture_box).at(20, 20);
    putref(d(), DISPID_Twain_Picture, nullptr);
    hostkit::pump_messages();
    EXPECT_TRUE(state() == before);
    ::RedrawWindow(view_.picture_box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(hostkit::capture_window(view_.picture_box).at(20, 20), pixel_before);
}

TEST_F(Layout, ANewPictureKeepsTheScrollPositionAsFarAsItsRangeAllows) {
    show(1000, 200);
    for (int i = 0; i < 3; ++i)  // three large steps of 100 pixels, as a user clicks the trough
        ::SendMessageW(view_.surface, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), reinterpret_cast<LPARAM>(view_.hscroll));
    hostkit::pump_messages();
    EXPECT_EQ(hostkit::read_scroll_range(view_.hscroll).position, 300);
    show(800, 200);  // range 484: the position still fits
    EXPECT_EQ(hostkit::read_scroll_range(view_.hscroll).max_position, 484);
    EXPECT_EQ(hostkit::read_scroll_range(view_.hscroll).position, 300);
    show(500, 200);  // range 184: as far as it allows
    EXPECT_EQ(hostkit::read_scroll_range(view_.hscroll).max_position, 184);
    EXPECT_EQ(hostkit::read_scroll_range(view_.hscroll).position, 184);
}

TEST_F(Layout, ResizingTheControlLaysOutAgain) {
    show(1000, 200);
    ASSERT_EQ(control_->move(RECT{0, 0, 400, 300}), S_OK);  // 6000 x 4500 twips
    hostkit::pump_messages();
    EXPECT_TRUE(visible(view_.hscroll));
    EXPECT_TRUE(placed(view_.hscroll, 0, 4185, 5970));
    EXPECT_EQ(hostkit::read_scroll_range(view_.hscroll).max_position, 1000 - 396);
    EXPECT_TRUE(at(view_.picture_box, 0, 0, 5940, 4185));
}

}  // namespace korvix::test
