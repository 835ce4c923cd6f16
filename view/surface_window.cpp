#include "view/surface_window.h"

#include "view/scroll_bar_window.h"

namespace korvix {

SurfaceWindow::SurfaceWindow(HWND parking, const DpiUnits& units, ViewWindowEvents& events, ControlViewSite& site)
    : units_(units), events_(events), site_(site) {
    hwnd_.reset(create_view_window(ViewWindowClass::surface, WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP,
                                   RECT{0, 0, 0, 0}, parking, *this));
}

SurfaceWindow::~SurfaceWindow() { hwnd_.reset(); }

void SurfaceWindow::window_destroyed() noexcept { hwnd_.release(); }

void SurfaceWindow::set_border_style(SHORT style) {
    if (style != 0 && style != 1) throw hresult_error(CTL_E_INVALIDPROPERTYVALUE, "Invalid property value");
    border_style_ = style;
    LONG_PTR ex = ::GetWindowLongPtrW(hwnd_.get(), GWL_EXSTYLE);
    ex = style == 1 ? (ex | WS_EX_CLIENTEDGE) : (ex & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
    ::SetWindowLongPtrW(hwnd_.get(), GWL_EXSTYLE, ex);
    // Same outer size, new client area: no Resize; the layout picks it up next time.
    ::SetWindowPos(hwnd_.get(), nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE SurfaceWindow::outer_pixels() const noexcept {
    RECT rc{};
    if (hwnd_) ::GetWindowRect(hwnd_.get(), &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

std::int32_t SurfaceWindow::width() const { return units_.x_to_twips(outer_pixels().cx); }
std::int32_t SurfaceWindow::height() const { return units_.y_to_twips(outer_pixels().cy); }

bool SurfaceWindow::enabled() const noexcept { return hwnd_ && ::IsWindowEnabled(hwnd_.get()); }
void SurfaceWindow::set_enabled(bool value) noexcept {
    if (hwnd_) ::EnableWindow(hwnd_.get(), value ? TRUE : FALSE);
}

SHORT SurfaceWindow::key_shift() noexcept {
    SHORT shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

LRESULT SurfaceWindow::handle_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const site_hold hold(site_);
    switch (msg) {
    case WM_SIZE: {
        // The outer size is the control's extent; a new border alone is no Resize.
        RECT rc{};
        ::GetWindowRect(hwnd, &rc);
        const SIZE now{rc.right - rc.left, rc.bottom - rc.top};
        if (now.cx != last_size_.cx || now.cy != last_size_.cy) {
            last_size_ = now;
            events_.surface_resized();
        }
        return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
        const HWND bar = reinterpret_cast<HWND>(lp);
        if (hbar_ && bar && bar == hbar_->hwnd()) hbar_->on_scroll_message(wp);
        else if (vbar_ && bar && bar == vbar_->hwnd()) vbar_->on_scroll_message(wp);
        return 0;
    }
    case WM_ERASEBKGND: {
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        ::FillRect(reinterpret_cast<HDC>(wp), &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        ::SetFocus(hwnd);
        return 0;
    case WM_SETFOCUS:
        site_.on_focus_request();
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: {
        SHORT key = static_cast<SHORT>(wp);
        SHORT shift = key_shift();
        site_.on_key(msg == WM_KEYDOWN ? KeyAction::down : KeyAction::up, key, shift);
        return 0;
    }
    case WM_CHAR: {
        // The character the host leaves is the one that goes on; 0 cancels it.
        SHORT ascii = static_cast<SHORT>(wp);
        site_.on_key_press(ascii);
        if (ascii == 0) return 0;
        return ::DefWindowProcW(hwnd, msg, static_cast<WPARAM>(static_cast<USHORT>(ascii)), lp);
    }
    case WM_DESTROY:
        // A container destroying its window takes ours with it: the bars go too.
        if (hbar_) hbar_->forget_window();
        if (vbar_) vbar_->forget_window();
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace korvix
