// ControlView::draw: the surface as it looks now, for IViewObject::Draw
// (print preview, design views, containers without our window visible).
#include "view/control_view_impl.h"

namespace korvix {
namespace {

// Position of child inside its parent's window rectangle (pixels).
RECT rect_in_window(HWND child, HWND parent) noexcept {
    RECT child_rc{}, parent_rc{};
    ::GetWindowRect(child, &child_rc);
    ::GetWindowRect(parent, &parent_rc);
    ::OffsetRect(&child_rc, -parent_rc.left, -parent_rc.top);
    return child_rc;
}

// A scroll bar as the window shows it, thumb included: the bar paints
// itself into our context (a WM_PAINT whose wParam names the DC, which the
// system's controls honour), placed where it sits in the surface. Its track
// pattern is aligned to the bar as on screen.
void draw_scroll_bar(HDC dc, HWND bar, HWND surface) noexcept {
    const RECT rc = rect_in_window(bar, surface);
    POINT old_origin{}, old_brush{};
    ::SetViewportOrgEx(dc, rc.left, rc.top, &old_origin);
    ::SetBrushOrgEx(dc, rc.left, rc.top, &old_brush);
    ::SendMessageW(bar, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    ::SetBrushOrgEx(dc, old_brush.x, old_brush.y, nullptr);
    ::SetViewportOrgEx(dc, old_origin.x, old_origin.y, nullptr);
}

}  // namespace

void ControlView::draw(HDC dc, const RECT& bounds) {
    HWND surface = impl_->surface->hwnd();
    if (!dc || !surface) return;
    const SIZE size = impl_->surface->outer_pixels();
    if (size.cx <= 0 || size.cy <= 0) return;

    // Composed at the window's own size, then stretched onto bounds.
    unique_hdc memory(::CreateCompatibleDC(dc));
    unique_hbitmap canvas(::CreateCompatibleBitmap(dc, size.cx, size.cy));
    if (!memory || !canvas) throw hresult_error(E_OUTOFMEMORY, "Not enough memory to draw the control.");
    select_scope selected(memory.get(), canvas.get());

    RECT all{0, 0, size.cx, size.cy};
    ::FillRect(memory.get(), &all, ::GetSysColorBrush(COLOR_BTNFACE));
    if (impl_->surface->border_style() == 1) ::DrawEdge(memory.get(), &all, EDGE_SUNKEN, BF_RECT);

    // The inner members show only inside the surface's client area (a bar's
    // last pixels lie under the border).
    RECT client{}, window{};
    ::GetClientRect(surface, &client);
    ::MapWindowPoints(surface, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ::GetWindowRect(surface, &window);
    ::OffsetRect(&client, -window.left, -window.top);
    ::IntersectClipRect(memory.get(), client.left, client.top, client.right, client.bottom);

    if (HWND box = impl_->box->hwnd()) {
        const RECT at = rect_in_window(box, surface);
        POINT old{};
        ::SetViewportOrgEx(memory.get(), at.left, at.top, &old);
        impl_->box->paint_into(memory.get());
        ::SetViewportOrgEx(memory.get(), old.x, old.y, nullptr);
    }
    if (impl_->hbar->visible() && impl_->hbar->hwnd()) draw_scroll_bar(memory.get(), impl_->hbar->hwnd(), surface);
    if (impl_->vbar->visible() && impl_->vbar->hwnd()) draw_scroll_bar(memory.get(), impl_->vbar->hwnd(), surface);

    ::StretchBlt(dc, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, memory.get(), 0,
                 0, size.cx, size.cy, SRCCOPY);
}

}  // namespace korvix
