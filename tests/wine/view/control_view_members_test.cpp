#include <gtest/gtest.h>

#include "view_fixture.h"

#include <commctrl.h>

#include <functional>

namespace korvix {
namespace {

using testing::make_picture;
using testing::ViewTest;

using ControlViewMembers = ViewTest;

HRESULT error_of(const std::function<void()>& call) {
    try {
        call();
    } catch (const hresult_error& e) {
        return e.code();
    }
    return S_OK;
}

TEST_F(ControlViewMembers, BorderStyleTakesZeroOrOneAndChangesOnlyTheFrame) {
    view->attach(host.get(), RECT{0, 0, 100, 80});
    site.calls.clear();
    EXPECT_EQ(view->border_style(), 1);  // designed value
    view->set_border_style(0);
    RECT full{};
    ::GetClientRect(view->surface_hwnd(), &full);
    EXPECT_EQ(full.right, 100);
    view->set_border_style(1);
    EXPECT_EQ(view->border_style(), 1);
    EXPECT_NE(::GetWindowLongW(view->surface_hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    RECT client{};
    ::GetClientRect(view->surface_hwnd(), &client);
    EXPECT_EQ(client.right, 96);
    EXPECT_EQ(view->width_twips(), 1500);  // the outer size stays
    EXPECT_EQ(site.count("resize"), 0);    // and is no Resize
    EXPECT_EQ(error_of([&] { view->set_border_style(2); }), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(error_of([&] { view->set_border_style(-1); }), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(view->border_style(), 1);
    view->set_border_style(0);
    EXPECT_EQ(::GetWindowLongW(view->surface_hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
}

TEST_F(ControlViewMembers, BackColorAcceptsColoursAndValidSystemColours) {
    view->set_back_color(RGB(1, 2, 3));
    EXPECT_EQ(view->back_color(), static_cast<OLE_COLOR>(RGB(1, 2, 3)));
    view->set_back_color(0x8000000F);  // button face
    EXPECT_EQ(view->back_color(), 0x8000000Fu);
    EXPECT_EQ(error_of([&] { view->set_back_color(0x800000FF); }), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(view->back_color(), 0x8000000Fu);
}

TEST_F(ControlViewMembers, BoxPaintsThePictureTopLeftOnItsBackColor) {
    attach_standard();
    view->set_back_color(RGB(0, 255, 0));
    com_ptr<IPictureDisp> picture = make_picture(10, 8, RGB(255, 0, 0));
    view->set_view_picture(picture.get());

    HDC screen = ::GetDC(nullptr);
    unique_hdc memory(::CreateCompatibleDC(screen));
    unique_hbitmap canvas(::CreateCompatibleBitmap(screen, 320, 240));
    ::ReleaseDC(nullptr, screen);
    select_scope selected(memory.get(), canvas.get());
    view->draw(memory.get(), RECT{0, 0, 320, 240});
    // The box starts inside the 2-pixel edge.
    EXPECT_EQ(::GetPixel(memory.get(), 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(memory.get(), 2 + 9, 2 + 7), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(memory.get(), 2 + 10, 2), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(memory.get(), 2, 2 + 8), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(memory.get(), 300, 200), RGB(0, 255, 0));
    EXPECT_NE(::GetPixel(memory.get(), 0, 0), RGB(0, 255, 0));  // the border
}

TEST_F(ControlViewMembers, MousePointerTakesThePlatformValuesAndSetsTheCursor) {
    for (SHORT p : {0, 1, 2, 3, 5, 11, 15, 99}) {
        view->set_mouse_pointer(p);
        EXPECT_EQ(view->mouse_pointer(), p);
    }
    for (SHORT p : {-1, 16, 98, 100}) EXPECT_EQ(error_of([&] { view->set_mouse_pointer(p); }), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(view->mouse_pointer(), 99);

    const HWND box = view->picture_box_hwnd();
    view->set_mouse_pointer(2);
    ::SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_CROSS));
    view->set_mouse_pointer(11);
    ::SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(ControlViewMembers, CustomPointerUsesTheMouseIcon) {
    // A 32x32 icon wrapped in a picture that owns it.
    BYTE and_mask[32 * 4];
    BYTE xor_mask[32 * 4];
    memset(and_mask, 0xFF, sizeof and_mask);
    memset(xor_mask, 0, sizeof xor_mask);
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = ::CreateIcon(nullptr, 32, 32, 1, 1, and_mask, xor_mask);
    ASSERT_TRUE(desc.icon.hicon);
    com_ptr<IPictureDisp> icon;
    ASSERT_HRESULT_SUCCEEDED(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, icon.put_void()));

    view->set_mouse_icon(icon.get());
    EXPECT_EQ(view->mouse_icon().get(), icon.get());
    view->set_mouse_pointer(99);
    const HWND box = view->picture_box_hwnd();
    ::SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), desc.icon.hicon);

    com_ptr<IPictureDisp> bitmap = make_picture(4, 4);
    EXPECT_EQ(error_of([&] { view->set_mouse_icon(bitmap.get()); }), CTL_E_INVALIDPICTURE);
    EXPECT_EQ(view->mouse_icon().get(), icon.get());
    view->set_mouse_icon(nullptr);
    EXPECT_FALSE(view->mouse_icon());
    ::SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}

int count_tool_tips() {
    struct Count {
        static BOOL CALLBACK each(HWND hwnd, LPARAM lp) {
            wchar_t name[64] = {};
            ::GetClassNameW(hwnd, name, 64);
            if (::lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) ++*reinterpret_cast<int*>(lp);
            return TRUE;
        }
    };
    int n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), Count::each, reinterpret_cast<LPARAM>(&n));
    return n;
}

TEST_F(ControlViewMembers, ToolTipIsMadeOnFirstUseAndGoesWithTheView) {
    const int before = count_tool_tips();
    EXPECT_EQ(view->tool_tip_text(), L"");
    view->set_tool_tip_text(L"");
    EXPECT_EQ(count_tool_tips(), before);
    view->set_tool_tip_text(L"Scanned page");
    EXPECT_EQ(view->tool_tip_text(), L"Scanned page");
    EXPECT_EQ(count_tool_tips(), before + 1);
    view->set_tool_tip_text(L"Other text");
    EXPECT_EQ(view->tool_tip_text(), L"Other text");
    EXPECT_EQ(count_tool_tips(), before + 1);
    view.reset();
    EXPECT_EQ(count_tool_tips(), before);
}

TEST_F(ControlViewMembers, HdcIsThePictureBoxsOwnLastingDc) {
    const LONG dc = view->picture_box_hdc();
    ASSERT_NE(dc, 0);
    EXPECT_EQ(view->picture_box_hdc(), dc);
    EXPECT_EQ(::GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(dc))), static_cast<DWORD>(OBJ_DC));
    HDC again = ::GetDC(view->picture_box_hwnd());
    EXPECT_EQ(static_cast<LONG>(reinterpret_cast<LONG_PTR>(again)), dc);
    ::ReleaseDC(view->picture_box_hwnd(), again);
    EXPECT_EQ(::GetParent(view->picture_box_hwnd()), view->surface_hwnd());
}

TEST_F(ControlViewMembers, EnabledFollowsTheSurfaceWindow) {
    EXPECT_TRUE(view->enabled());
    view->set_enabled(false);
    EXPECT_FALSE(view->enabled());
    EXPECT_FALSE(::IsWindowEnabled(view->surface_hwnd()));
    view->set_enabled(true);
    EXPECT_TRUE(::IsWindowEnabled(view->surface_hwnd()));
}

}  // namespace
}  // namespace korvix
