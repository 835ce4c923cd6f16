#include <gtest/gtest.h>

#include "view_fixture.h"

namespace korvix {
namespace {

using testing::make_picture;
using testing::ViewTest;

using ControlViewInput = ViewTest;

std::string mouse(const char* action, int button, int shift, int x, int y) {
    return std::string("mouse ") + action + " " + std::to_string(button) + " " + std::to_string(shift) + " " +
           std::to_string(x) + " " + std::to_string(y);
}

TEST_F(ControlViewInput, MouseOnThePictureBoxArrivesInPixelsWithClickAfterMouseUp) {
    attach_standard();
    const HWND box = view->picture_box_hwnd();
    site.calls.clear();
    ::SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 7));
    ::SendMessageW(box, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(6, 9));
    ::SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(6, 9));
    std::vector<std::string> expected{mouse("down", 1, 0, 5, 7),
                                      mouse("move", 1, 1, 6, 9),
                                      mouse("up", 1, 0, 6, 9), "click"};
    std::vector<std::string> seen;
    for (const auto& c : site.calls)
        if (c != "focus") seen.push_back(c);  // the press also focuses the surface
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(::GetFocus(), view->surface_hwnd());
    EXPECT_EQ(site.count("focus"), 1);
}

TEST_F(ControlViewInput, DoubleClickOrderAndOtherButtons) {
    attach_standard();
    const HWND box = view->picture_box_hwnd();
    site.calls.clear();
    ::SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ::SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    ::SendMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 1));
    ::SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    ::SendMessageW(box, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, MAKELPARAM(2, 3));
    ::SendMessageW(box, WM_RBUTTONUP, MK_CONTROL, MAKELPARAM(2, 3));
    std::vector<std::string> seen;
    for (const auto& c : site.calls)
        if (c != "focus") seen.push_back(c);
    std::vector<std::string> expected{mouse("down", 1, 0, 1, 1),
                                      mouse("up", 1, 0, 1, 1),
                                      "click",
                                      "dblclick",
                                      mouse("up", 1, 0, 1, 1),
                                      mouse("down", 2, 2, 2, 3),
                                      mouse("up", 2, 2, 2, 3)};
    EXPECT_EQ(seen, expected);
}

TEST_F(ControlViewInput, KeysComeFromTheSurface) {
    attach_standard();
    site.calls.clear();
    ::SendMessageW(view->surface_hwnd(), WM_KEYDOWN, 'A', 0);
    ::SendMessageW(view->surface_hwnd(), WM_CHAR, 'a', 0);
    ::SendMessageW(view->surface_hwnd(), WM_KEYUP, 'A', 0);
    const std::vector<std::string> expected{"key down 65 0", "keypress 97", "key up 65 0"};
    EXPECT_EQ(site.calls, expected);
    EXPECT_EQ(::SendMessageW(view->surface_hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
}

TEST_F(ControlViewInput, ScrollBarStepsFollowThePlatformsRules) {
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(1000, 200);
    view->set_view_picture(picture.get());
    site.calls.clear();

    send_scroll(false, SB_LINEDOWN);
    EXPECT_EQ(view->hscroll().value, 10);
    EXPECT_EQ(scroll_info(bar(false)).nPos, 10);
    send_scroll(false, SB_PAGEDOWN);
    EXPECT_EQ(view->hscroll().value, 110);
    send_scroll(false, SB_BOTTOM);
    EXPECT_EQ(view->hscroll().value, 684);
    send_scroll(false, SB_PAGEDOWN);
    EXPECT_EQ(view->hscroll().value, 684);
    send_scroll(false, SB_TOP);
    EXPECT_EQ(view->hscroll().value, 0);
    EXPECT_EQ(site.count("scroll"), 0);  // arrows and track are Change, not Scroll

    send_scroll(false, SB_THUMBTRACK, 120);
    send_scroll(false, SB_THUMBTRACK, 300);
    EXPECT_EQ(view->hscroll().value, 300);
    EXPECT_EQ(scroll_info(bar(false)).nPos, 300);
    send_scroll(false, SB_THUMBPOSITION, 300);
    send_scroll(false, SB_ENDSCROLL);
    EXPECT_EQ(site.count("scroll"), 2);  // once per thumb step
    EXPECT_EQ(view->hscroll().value, 300);

    // A new, narrower picture keeps the position where the range allows.
    com_ptr<IPictureDisp> narrower = make_picture(500, 200);
    view->set_view_picture(narrower.get());
    EXPECT_EQ(view->hscroll().value, 184);
    EXPECT_EQ(scroll_info(bar(false)).nMax, 184);
    EXPECT_EQ(scroll_info(bar(false)).nPos, 184);
}

// The bars' Change shows the part again only when Value really moved; seen
// here through what the box holds after the view's picture became Nothing.
TEST_F(ControlViewInput, ChangeOnlyWhenValueMoves) {
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(1000, 200);
    view->set_view_picture(picture.get());
    const com_ptr<IPictureDisp> shown = view->shown_picture();
    view->set_view_picture(nullptr);
    send_scroll(false, SB_LINEUP);  // already at Min
    send_scroll(false, SB_TOP);
    EXPECT_EQ(view->shown_picture().get(), shown.get());
    send_scroll(false, SB_LINEDOWN);  // moves: the box now shows mViewPicture (Nothing)
    EXPECT_FALSE(view->shown_picture());
}

TEST_F(ControlViewInput, ThumbScrollRaisesScrollAfterShowing) {
    attach_standard();
    com_ptr<IPictureDisp> picture = make_picture(1000, 1000);
    view->set_view_picture(picture.get());
    site.calls.clear();
    send_scroll(true, SB_THUMBTRACK, 50);
    EXPECT_EQ(site.calls, std::vector<std::string>{"scroll"});
    EXPECT_EQ(view->vscroll().value, 50);
    EXPECT_EQ(view->hscroll().value, 0);
}

}  // namespace
}  // namespace korvix
