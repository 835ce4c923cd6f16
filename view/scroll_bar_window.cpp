#include "view/scroll_bar_window.h"

#include "view/child_placement.h"
#include "view/layout_engine.h"

namespace korvix {
namespace {

// Model errors become the platform's error code for the property.
template <typename F>
auto as_property_error(F&& f) {
    try {
        return f();
    } catch (const view::invalid_property_value&) {
        throw hresult_error(CTL_E_INVALIDPROPERTYVALUE, "Invalid property value");
    }
}

}  // namespace

ScrollBarWindow::ScrollBarWindow(HWND parent, bool horizontal, const DpiUnits& units, ViewWindowEvents& events)
    : units_(units), events_(events) {
    // Designed placement: the bar's thickness, no length, hidden.
    const LONG thick_w = horizontal ? 0 : units.x_to_pixels(view::kBarThickness);
    const LONG thick_h = horizontal ? units.y_to_pixels(view::kBarThickness) : 0;
    hwnd_.reset(::CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | (horizontal ? SBS_HORZ : SBS_VERT), 0, 0,
                                  thick_w, thick_h, parent, nullptr, nullptr, nullptr));
    if (!hwnd_) throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()), "The scroll bar could not be created.");
    sync();
}

void ScrollBarWindow::sync() noexcept {
    if (!hwnd_) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    si.nMin = model_.native_min();
    si.nMax = model_.native_max();
    si.nPage = 0;
    si.nPos = model_.native_position();
    ::SetScrollInfo(hwnd_.get(), SB_CTL, &si, TRUE);
}

void ScrollBarWindow::changed_if(bool changed) {
    sync();
    if (changed) events_.scroll_changed();
}

void ScrollBarWindow::set_visible(bool value) {
    visible_ = value;
    if (hwnd_) ::ShowWindow(hwnd_.get(), value ? SW_SHOWNA : SW_HIDE);
}

void ScrollBarWindow::set_value(std::int16_t value) {
    changed_if(as_property_error([&] { return model_.set_value(value); }));
}
void ScrollBarWindow::set_min(std::int16_t value) { changed_if(model_.set_min(value)); }
void ScrollBarWindow::set_max(std::int16_t value) { changed_if(model_.set_max(value)); }
void ScrollBarWindow::set_small_change(std::int16_t value) {
    as_property_error([&] { model_.set_small_change(value); });
}
void ScrollBarWindow::set_large_change(std::int16_t value) {
    as_property_error([&] { model_.set_large_change(value); });
}

void ScrollBarWindow::move(std::int32_t left, std::int32_t top, std::int32_t width) {
    move(left, top, width, rect_twips().height);
}

void ScrollBarWindow::move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    move_child_twips(hwnd_.get(), units_, left, top, width, height);
}

MemberRect ScrollBarWindow::rect_twips() const noexcept { return child_rect_twips(hwnd_.get(), units_); }

ScrollBarState ScrollBarWindow::state() const noexcept {
    ScrollBarState s;
    s.min = model_.min();
    s.max = model_.max();
    s.value = model_.value();
    s.small_change = model_.small_change();
    s.large_change = model_.large_change();
    s.visible = visible_;
    s.rect = rect_twips();
    return s;
}

void ScrollBarWindow::on_scroll_message(WPARAM wp) noexcept {
    using Action = view::ScrollBarModel::Action;
    Action action;
    int position = 0;
    switch (LOWORD(wp)) {
    case SB_LINEUP: action = Action::line_up; break;
    case SB_LINEDOWN: action = Action::line_down; break;
    case SB_PAGEUP: action = Action::page_up; break;
    case SB_PAGEDOWN: action = Action::page_down; break;
    case SB_TOP: action = Action::top; break;
    case SB_BOTTOM: action = Action::bottom; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        action = LOWORD(wp) == SB_THUMBTRACK ? Action::thumb_track : Action::thumb_position;
        // The native range lies within 16 bits, so the message's own position is exact.
        position = static_cast<SHORT>(HIWORD(wp));
        break;
    }
    case SB_ENDSCROLL: action = Action::end_scroll; break;
    default: return;
    }
    const std::int16_t before = model_.value();
    const auto outcome = model_.apply(action, position);
    sync();
    // Scroll shows the part under the thumb first (then the control raises
    // Scroll); a Change shows it once. A value that moved without either (a
    // drag's final position back at its start, with no track there) is
    // shown too: the picture always follows the bar.
    try {
        if (outcome.scrolled) events_.scroll_tracked();
        if (outcome.changed || (!outcome.scrolled && model_.value() != before)) events_.scroll_changed();
    } catch (...) {
    }
}

}  // namespace korvix
