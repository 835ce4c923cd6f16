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

void draw_scroll_bar(HDC dc, HWND bar, HWND surface, bool horizontal) noexcept {
    RECT rc = rect_in_window(bar, surface);
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_SCROLLBAR));
    const LONG arrow = horizontal ? rc.bottom - rc.top : rc.right - rc.left;
    if (arrow <= 0) return;
    RECT first = rc, second = rc;
    if (horizontal) {
        first.right = first.left + arrow;
        second.left = second.right - arrow;
    } else {
        first.bottom = first.top + arrow;
        second.top = second.bottom - arrow;
    }
    ::DrawFrameControl(dc, &first, DFC_SCROLL, horizontal ? DFCS_SCROLLLEFT : DFCS_SCROLLUP);
    ::DrawFrameControl(dc, &second, DFC_SCROLL, horizontal ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN);
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

    if (HWND box = impl_->box->hwnd()) {
        const RECT at = rect_in_window(box, surface);
        POINT old{};
        ::SetViewportOrgEx(memory.get(), at.left, at.top, &old);
        impl_->box->paint_into(memory.get());
        ::SetViewportOrgEx(memory.get(), old.x, old.y, nullptr);
    }
    if (impl_->hbar->visible() && impl_->hbar->hwnd()) draw_scroll_bar(memory.get(), impl_->hbar->hwnd(), surface, true);
    if (impl_->vbar->visible() && impl_->vbar->hwnd()) draw_scroll_bar(memory.get(), impl_->vbar->hwnd(), surface, false);

    ::StretchBlt(dc, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, memory.get(), 0,
                 0, size.cx, size.cy, SRCCOPY);
}

}  // namespace korvix
