#include "view/picture_box_window.h"

#include "common/handle_bits.h"
#include "view/child_placement.h"

#include <commctrl.h>
#include <windowsx.h>

#include "view/picture_painting.h"

namespace korvix {
namespace {

constexpr SHORT kCustomPointer = 99;

// MousePointer values and the system cursors that carry their meaning.
LPCWSTR system_cursor(SHORT pointer) noexcept {
    switch (pointer) {
    case 2: return IDC_CROSS;
    case 3: return IDC_IBEAM;
    case 4: return IDC_ICON;
    case 5: return IDC_SIZEALL;
    case 6: return IDC_SIZENESW;
    case 7: return IDC_SIZENS;
    case 8: return IDC_SIZENWSE;
    case 9: return IDC_SIZEWE;
    case 10: return IDC_UPARROW;
    case 11: return IDC_WAIT;
    case 12: return IDC_NO;
    case 13: return IDC_APPSTARTING;
    case 14: return IDC_HELP;
    case 15: return IDC_SIZEALL;
    default: return IDC_ARROW;  // 0 default, 1 arrow
    }
}

SHORT shift_state(WPARAM wp) noexcept {
    SHORT shift = 0;
    if (wp & MK_SHIFT) shift |= 1;
    if (wp & MK_CONTROL) shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

SHORT buttons_down(WPARAM wp) noexcept {
    SHORT buttons = 0;
    if (wp & MK_LBUTTON) buttons |= 1;
    if (wp & MK_RBUTTON) buttons |= 2;
    if (wp & MK_MBUTTON) buttons |= 4;
    return buttons;
}

}  // namespace

PictureBoxWindow::PictureBoxWindow(HWND parent, HWND tooltip_owner, const DpiUnits& units, ViewWindowEvents& events,
                                   ControlViewSite& site)
    : units_(units), events_(events), site_(site), tooltip_owner_(tooltip_owner) {
    hwnd_.reset(create_view_window(ViewWindowClass::picture_box, 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                   RECT{0, 0, 0, 0}, parent, *this));
    own_dc_ = ::GetDC(hwnd_.get());
}

PictureBoxWindow::~PictureBoxWindow() {
    tooltip_.reset();
    hwnd_.reset();
}

void PictureBoxWindow::window_destroyed() noexcept {
    hwnd_.release();
    own_dc_ = nullptr;
}

SIZE PictureBoxWindow::client_size() const noexcept {
    RECT rc{};
    if (hwnd_) ::GetClientRect(hwnd_.get(), &rc);
    return SIZE{rc.right, rc.bottom};
}

float PictureBoxWindow::scale_width() const { return static_cast<float>(client_size().cx); }
float PictureBoxWindow::scale_height() const { return static_cast<float>(client_size().cy); }

void PictureBoxWindow::move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    // A size change arrives as WM_SIZE inside this call and runs the nested layout.
    move_child_twips(hwnd_.get(), units_, left, top, width, height);
}

MemberRect PictureBoxWindow::rect_twips() const noexcept { return child_rect_twips(hwnd_.get(), units_); }

void PictureBoxWindow::set_back_color(OLE_COLOR color) {
    COLORREF unused;
    if (!translate_ole_color(color, unused)) throw_invalid_property_value();
    back_color_ = color;
    ::InvalidateRect(hwnd_.get(), nullptr, TRUE);
}

void PictureBoxWindow::set_mouse_pointer(SHORT pointer) {
    if (!((pointer >= 0 && pointer <= 15) || pointer == kCustomPointer)) throw_invalid_property_value();
    mouse_pointer_ = pointer;
    POINT pt;
    if (::GetCursorPos(&pt) && ::WindowFromPoint(pt) == hwnd_.get()) ::SetCursor(cursor());
}

void PictureBoxWindow::set_mouse_icon(IPictureDisp* icon) {
    if (icon) {
        // Only an icon or cursor can be a mouse pointer; an empty picture clears it.
        com_ptr<IPicture> pic;
        SHORT type = PICTYPE_NONE;
        if (FAILED(icon->QueryInterface(IID_IPicture, pic.put_void())) || !pic || FAILED(pic->get_Type(&type)))
            throw hresult_error(CTL_E_INVALIDPICTURE, "Invalid picture");
        if (type != PICTYPE_ICON && type != PICTYPE_NONE && type != PICTYPE_UNINITIALIZED)
            throw hresult_error(CTL_E_INVALIDPICTURE, "Invalid picture");
    }
    mouse_icon_ = com_ptr<IPictureDisp>(icon);
}

HCURSOR PictureBoxWindow::cursor() const noexcept {
    if (mouse_pointer_ == kCustomPointer && mouse_icon_) {
        com_ptr<IPicture> pic = mouse_icon_.query<IPicture>(IID_IPicture);
        OLE_HANDLE handle = 0;
        if (pic && SUCCEEDED(pic->get_Handle(&handle)) && handle)
            return handle_from_ole<HCURSOR>(handle);  // the picture owns it
    }
    if (HCURSOR shared = ::LoadCursorW(nullptr, system_cursor(mouse_pointer_))) return shared;
    return ::LoadCursorW(nullptr, IDC_ARROW);
}

void PictureBoxWindow::set_tool_tip_text(const std::wstring& text) {
    if (!tooltip_ && !text.empty()) {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&init);
        // Owned by our parking window, so no host window can destroy it behind our back.
        tooltip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, tooltip_owner_,
                                         nullptr, view_module(), nullptr));
        if (!tooltip_) throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()), "The tool tip could not be created.");
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_.get();
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd_.get());
        tool.lpszText = const_cast<wchar_t*>(text.c_str());
        if (!::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
            tooltip_.reset();
            throw hresult_error(E_FAIL, "The tool tip could not be set.");
        }
    } else if (tooltip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = hwnd_.get();
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd_.get());
        tool.lpszText = const_cast<wchar_t*>(text.c_str());
        ::SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    tool_tip_text_ = text;
}

void PictureBoxWindow::set_picture(const com_ptr<IPictureDisp>& picture) noexcept {
    picture_ = picture;
    // Scroll steps come faster than paints: once the whole box waits for its
    // paint, invalidating it again changes nothing (and costs a round trip
    // to the window manager under Wine).
    if (hwnd_ && !whole_box_invalid_) whole_box_invalid_ = ::InvalidateRect(hwnd_.get(), nullptr, FALSE) != FALSE;
}

void PictureBoxWindow::paint_into(HDC dc) const noexcept {
    COLORREF back = 0;
    translate_ole_color(back_color_, back);
    const SIZE size = client_size();
    paint_picture_on_background(dc, RECT{0, 0, size.cx, size.cy}, back, picture_.get());
}

void PictureBoxWindow::mouse_event(MouseAction action, SHORT button, WPARAM wp, LPARAM lp) {
    SHORT shift = shift_state(wp);
    float x = static_cast<float>(GET_X_LPARAM(lp));  // pixels: the box's scale unit
    float y = static_cast<float>(GET_Y_LPARAM(lp));
    site_.on_mouse(action, button, shift, x, y);
}

LRESULT PictureBoxWindow::handle_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const site_hold hold(site_);
    switch (msg) {
    case WM_SIZE: {
        const SIZE now{LOWORD(lp), HIWORD(lp)};
        if (now.cx != last_size_.cx || now.cy != last_size_.cy) {
            last_size_ = now;
            events_.picture_box_resized();
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT draws everything
    case WM_PAINT: {
        whole_box_invalid_ = false;
        {
            paint_scope paint(hwnd);
            paint_into(paint.get());
        }
        site_.on_picture_box_paint();
        return 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            ::SetCursor(cursor());
            return TRUE;
        }
        break;
    case WM_MOUSEACTIVATE:
        return MA_ACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        ::SetCapture(hwnd);
        if (HWND surface = ::GetParent(hwnd)) ::SetFocus(surface);
        after_dbl_click_ = false;
        const SHORT button = msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4;
        mouse_event(MouseAction::down, button, wp, lp);
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        if (!(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ::ReleaseCapture();
        const SHORT button = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4;
        mouse_event(MouseAction::up, button, wp, lp);
        // Click after the left button's MouseUp, except for the release that ends a double click.
        if (msg == WM_LBUTTONUP) {
            if (!after_dbl_click_) site_.on_click();
            after_dbl_click_ = false;
        }
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        ::SetCapture(hwnd);
        after_dbl_click_ = true;
        site_.on_dbl_click();
        return 0;
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        ::SetCapture(hwnd);
        mouse_event(MouseAction::down, msg == WM_RBUTTONDBLCLK ? 2 : 4, wp, lp);
        return 0;
    case WM_MOUSEMOVE:
        mouse_event(MouseAction::move, buttons_down(wp), wp, lp);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace korvix
