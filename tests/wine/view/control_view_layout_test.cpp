#include <gtest/gtest.h>

#include "tests/wine/picture24/test_pictures.h"
#include "view_fixture.h"

namespace korvix {
namespace {

using testing::make_picture;
using testing::ViewTest;

using ControlViewLayout = ViewTest;

TEST_F(ControlViewLayout, FirstResizeLaysOutTheEmptyPicture) {
    ASSERT_EQ(dpi, 96) << "the twips figures below assume 15 twips per pixel";
    attach_standard();
    EXPECT_EQ(view->width_twips(), 4800);
    EXPECT_EQ(view->height_twips(), 3600);
    RECT client{};
    ::GetClientRect(view->surface_hwnd(), &client);
    EXPECT_EQ(client.right, 316);  // the sunken edge takes 2 + 2 pixels = 60 twips
    EXPECT_EQ(client.bottom, 236);
    EXPECT_FLOAT_EQ(view->scale_width(), 316.0f);
    EXPECT_FLOAT_EQ(view->scale_height(), 236.0f);
    EXPECT_EQ(view->picture_box_rect(), (MemberRect{0, 0, 4740, 3540}));
    EXPECT_FALSE(view->hscroll().visible);
    EXPECT_FALSE(view->vscroll().visible);
    // The empty picture present from the start is what the box shows.
    ASSERT_TRUE(view->view_picture());
    EXPECT_EQ(view->shown_picture().get(), view->view_picture().get());
    EXPECT_EQ(site.count("resize"), 1);
}

TEST_F(ControlViewLayout, WorkedExampleOnRealWindows) {
    ASSERT_EQ(dpi, 96);
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(1000, 200);
    view->set_view_picture(picture.get());

    const ScrollBarState h = view->hscroll();
    EXPECT_TRUE(h.visible);
    EXPECT_EQ(h.rect, (MemberRect{0, 3285, 4770, 255}));
    EXPECT_EQ(h.min, 0);
    EXPECT_EQ(h.max, 684);
    EXPECT_EQ(h.small_change, 10);
    EXPECT_EQ(h.large_change, 100);
    const ScrollBarState v = view->vscroll();
    EXPECT_FALSE(v.visible);
    EXPECT_EQ(v.rect, (MemberRect{4740, 0, 0, 3315}));
    EXPECT_EQ(v.max, 200 - 219);  // set by the nested layout, which measured the 219-pixel box
    EXPECT_EQ(view->picture_box_rect(), (MemberRect{0, 0, 4740, 3285}));

    // The same, read from the windows themselves.
    const HWND hbar = bar(false), vbar = bar(true);
    ASSERT_TRUE(hbar && vbar);
    const RECT hr = child_rect(hbar);
    EXPECT_EQ(hr.left, 0);
    EXPECT_EQ(hr.top, 219);
    EXPECT_EQ(hr.right - hr.left, 318);
    EXPECT_EQ(hr.bottom - hr.top, 17);
    EXPECT_TRUE(has_style(hbar, WS_VISIBLE));
    EXPECT_FALSE(has_style(vbar, WS_VISIBLE));
    const SCROLLINFO si = scroll_info(hbar);
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 684);
    EXPECT_EQ(si.nPos, 0);
    const RECT box = child_rect(view->picture_box_hwnd());
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 316);
    EXPECT_EQ(box.bottom, 219);
    RECT box_client{};
    ::GetClientRect(view->picture_box_hwnd(), &box_client);
    EXPECT_EQ(box_client.right, 316);  // no border of its own: scale = client pixels
    EXPECT_EQ(box_client.bottom, 219);
    // The box holds a cut-out of its own size.
    const test::Pixels24 shown = test::read_bitmap24(test::picture_handle(view->shown_picture().get()));
    EXPECT_EQ(shown.width, 316);
    EXPECT_EQ(shown.height, 219);
    EXPECT_EQ(view->view_picture().get(), picture.get());
}

TEST_F(ControlViewLayout, PictureThatFitsIsShownWholeWithoutBars) {
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(316, 236);  // exactly the box: strictly-less test
    view->set_view_picture(picture.get());
    EXPECT_FALSE(view->hscroll().visible);
    EXPECT_FALSE(view->vscroll().visible);
    EXPECT_FALSE(has_style(bar(false), WS_VISIBLE));
    EXPECT_EQ(view->picture_box_rect(), (MemberRect{0, 0, 4740, 3540}));
    EXPECT_EQ(view->shown_picture().get(), picture.get());
}

TEST_F(ControlViewLayout, BorderStyleZeroGivesTheBoxTheWholeControl) {
    view->set_border_style(0);
    view->attach(host.get(), RECT{0, 0, 320, 240});
    com_ptr<IPictureDisp> picture = make_picture(2000, 2000);
    view->set_view_picture(picture.get());
    EXPECT_EQ(view->picture_box_rect(), (MemberRect{0, 0, 4800 - 255, 3600 - 255}));
    EXPECT_EQ(view->hscroll().rect, (MemberRect{0, 3600 - 255, 4800 - 255 - 30, 255}));
    EXPECT_EQ(view->vscroll().rect, (MemberRect{4800 - 255, 0, 255, 3600 - 255 - 30}));
    const SCROLLINFO h = scroll_info(bar(false)), v = scroll_info(bar(true));
    EXPECT_EQ(h.nMax, 2000 - 303);
    EXPECT_EQ(v.nMax, 2000 - 223);
    EXPECT_TRUE(has_style(bar(true), WS_VISIBLE));
}

TEST_F(ControlViewLayout, NegativeRangeOfAHiddenBarMirrorsIntoTheNativeBar) {
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(100, 500);  // taller only
    view->set_view_picture(picture.get());
    const ScrollBarState h = view->hscroll();
    EXPECT_FALSE(h.visible);
    EXPECT_EQ(h.max, 100 - 299);
    const SCROLLINFO si = scroll_info(bar(false));
    EXPECT_EQ(si.nMin, 100 - 299);  // the native bar runs upwards
    EXPECT_EQ(si.nMax, 0);
    EXPECT_EQ(si.nPos, 100 - 299);  // Value 0 = Min sits at the left end
    EXPECT_TRUE(view->vscroll().visible);
    EXPECT_EQ(view->picture_box_rect(), (MemberRect{0, 0, 4800 - 255 - 60, 3600 - 60}));
}

TEST_F(ControlViewLayout, ResizingTheControlReLaysOutAndThenRaisesResize) {
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(500, 300);
    view->set_view_picture(picture.get());
    EXPECT_TRUE(view->hscroll().visible);
    site.calls.clear();
    view->set_rect(RECT{10, 20, 10 + 600, 20 + 400});
    EXPECT_FALSE(view->hscroll().visible);
    EXPECT_FALSE(view->vscroll().visible);
    EXPECT_EQ(view->picture_box_rect(), (MemberRect{0, 0, 600 * 15 - 60, 400 * 15 - 60}));
    ASSERT_FALSE(site.calls.empty());
    EXPECT_EQ(site.calls.back(), "resize");
    EXPECT_EQ(site.count("resize"), 1);
    // Same size again: no Resize.
    view->set_rect(RECT{0, 0, 600, 400});
    EXPECT_EQ(site.count("resize"), 1);
}

TEST_F(ControlViewLayout, NothingLeavesTheViewAsItWas) {
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(1000, 1000);
    view->set_view_picture(picture.get());
    const MemberRect box = view->picture_box_rect();
    const com_ptr<IPictureDisp> shown = view->shown_picture();
    view->set_view_picture(nullptr);
    EXPECT_FALSE(view->view_picture());
    EXPECT_EQ(view->shown_picture().get(), shown.get());
    view->refresh();
    view->set_rect(RECT{0, 0, 200, 200});
    EXPECT_EQ(view->picture_box_rect(), box);
    EXPECT_TRUE(view->hscroll().visible);
}

TEST_F(ControlViewLayout, AutoRedrawOffShowsNothingNewUntilRefresh) {
    attach_standard();
    com_ptr<IPictureDisp> first = make_picture(10, 10);
    view->set_view_picture(first.get());
    site.redraw = false;
    com_ptr<IPictureDisp> second = make_picture(1000, 1000);
    view->set_view_picture(second.get());
    EXPECT_EQ(view->shown_picture().get(), first.get());
    EXPECT_FALSE(view->hscroll().visible);

    site.calls.clear();
    ::ShowWindow(host.get(), SW_SHOW);
    view->refresh();
    const test::Pixels24 shown = test::read_bitmap24(test::picture_handle(view->shown_picture().get()));
    EXPECT_EQ(shown.width, view->scale_width());
    EXPECT_EQ(shown.height, view->scale_height());
    EXPECT_TRUE(view->hscroll().visible);
    EXPECT_TRUE(view->vscroll().visible);
    EXPECT_FALSE(site.redraw);
    ASSERT_GE(site.calls.size(), 2u);
    EXPECT_EQ(site.calls.front(), "auto_redraw=1");
    std::string last_setting;
    for (const auto& call : site.calls)
        if (call.rfind("auto_redraw=", 0) == 0) last_setting = call;
    EXPECT_EQ(last_setting, "auto_redraw=0");
    EXPECT_GE(site.count("paint"), 1);  // Refresh repaints the box at once
}

// A host whose Paint handler calls Refresh, which repaints at once, which
// raises Paint again: the nesting stops instead of exhausting the stack.
TEST_F(ControlViewLayout, RefreshFromThePaintHandlerEnds) {
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(1000, 1000);
    view->set_view_picture(picture.get());
    ::UpdateWindow(host.get());
    ::UpdateWindow(view->picture_box_hwnd());
    int depth = 0, deepest = 0;
    site.paint_handler = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        view->refresh();
        --depth;
    };
    site.calls.clear();
    view->refresh();
    site.paint_handler = nullptr;
    EXPECT_GE(site.count("paint"), 1);
    EXPECT_GT(deepest, 1);  // the repaint really re-entered
    EXPECT_LE(deepest, 8);
    EXPECT_TRUE(site.redraw);
    EXPECT_TRUE(view->hscroll().visible);
}

TEST_F(ControlViewLayout, MeasuringErrorReachesTheCallerAndMovesNothing) {
    attach_standard();
    const MemberRect box = view->picture_box_rect();
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"no handle");
    testing::VariantHandlePicture odd(text);
    ::VariantClear(&text);
    try {
        view->set_view_picture(&odd);
        FAIL() << "no error";
    } catch (const hresult_error& e) {
        EXPECT_EQ(e.code(), DISP_E_TYPEMISMATCH);
    }
    EXPECT_EQ(view->picture_box_rect(), box);
    view.reset();
    EXPECT_EQ(odd.refs, 1u);  // the view let go of it
}

TEST_F(ControlViewLayout, ViewWorksBeforeItIsPlacedInAContainer) {
    view->set_border_style(0);
    view->set_size_pixels(200, 100);
    EXPECT_EQ(view->width_twips(), 3000);
    EXPECT_EQ(view->height_twips(), 1500);
    com_ptr<IPictureDisp> picture = make_picture(300, 50);
    view->set_view_picture(picture.get());
    EXPECT_TRUE(view->hscroll().visible);
    EXPECT_EQ(view->hscroll().max, 100);
    HWND root = ::GetAncestor(view->surface_hwnd(), GA_ROOT);
    EXPECT_NE(root, host.get());
    EXPECT_FALSE(::IsWindowVisible(root));  // parked in a hidden window
    EXPECT_EQ(::GetWindowLongW(root, GWL_STYLE) & WS_CHILD, 0);

    view->attach(host.get(), RECT{5, 5, 205, 105});
    EXPECT_EQ(::GetParent(view->surface_hwnd()), host.get());
    EXPECT_TRUE(::IsWindowVisible(view->surface_hwnd()));
    view->detach();
    EXPECT_EQ(::GetAncestor(view->surface_hwnd(), GA_ROOT), root);
    EXPECT_FALSE(::IsWindowVisible(view->surface_hwnd()));
}

}  // namespace
}  // namespace korvix
