// A ControlView placed in a host window, plus ways to read the real child
// windows back.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "view_test_support.h"

namespace korvix::testing {

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.get());
        view = std::make_unique<ControlView>(site);
        HDC screen = ::GetDC(nullptr);
        dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
        ::ReleaseDC(nullptr, screen);
    }
    void TearDown() override { view.reset(); }

    // BorderStyle 1, 320 x 240 pixels = 4800 x 3600 twips at 96 DPI.
    void attach_standard() {
        view->set_border_style(1);
        view->attach(host.get(), RECT{10, 20, 330, 260});
    }

    HWND bar(bool vertical) const {
        struct Find {
            bool vertical;
            HWND found;
            static BOOL CALLBACK each(HWND hwnd, LPARAM lp) {
                auto* f = reinterpret_cast<Find*>(lp);
                wchar_t name[32] = {};
                ::GetClassNameW(hwnd, name, 32);
                const bool is_vertical = (::GetWindowLongW(hwnd, GWL_STYLE) & SBS_VERT) != 0;
                if (::lstrcmpiW(name, L"ScrollBar") == 0 && is_vertical == f->vertical) {
                    f->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            }
        } find{vertical, nullptr};
        ::EnumChildWindows(view->surface_hwnd(), Find::each, reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    // A child's rectangle in the surface's client coordinates, pixels.
    RECT child_rect(HWND child) const {
        RECT rc{};
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(HWND_DESKTOP, view->surface_hwnd(), reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }

    static SCROLLINFO scroll_info(HWND bar) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL;
        ::GetScrollInfo(bar, SB_CTL, &si);
        return si;
    }

    static bool has_style(HWND hwnd, LONG style) { return (::GetWindowLongW(hwnd, GWL_STYLE) & style) == style; }

    void send_scroll(bool vertical, WORD code, SHORT pos = 0) {
        ::SendMessageW(view->surface_hwnd(), vertical ? WM_VSCROLL : WM_HSCROLL,
                       MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(bar(vertical)));
    }

    HostWindow host;
    RecordingSite site;
    std::unique_ptr<ControlView> view;
    int dpi = 0;
};

}  // namespace korvix::testing

namespace korvix {
inline bool operator==(const MemberRect& a, const MemberRect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}
inline std::ostream& operator<<(std::ostream& os, const MemberRect& r) {
    return os << "{" << r.left << "," << r.top << "," << r.width << "," << r.height << "}";
}
}  // namespace korvix
