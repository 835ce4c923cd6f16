// HScroll1 / VScroll1: a native SCROLLBAR child window driven by the
// ScrollBarModel, so its 16-bit settings, backwards ranges and Change
// semantics are those hosts know. The native bar only mirrors the model.
#pragma once

#include <windows.h>

#include "common/win/unique_resource.h"
#include "view/control_view.h"
#include "view/dpi_units.h"
#include "view/layout_members.h"
#include "view/scroll_bar_model.h"
#include "view/view_window_events.h"

namespace korvix {

class ScrollBarWindow final : public view::ScrollBarMember {
public:
    ScrollBarWindow(HWND parent, bool horizontal, const DpiUnits& units, ViewWindowEvents& events);
    ~ScrollBarWindow() = default;
    ScrollBarWindow(const ScrollBarWindow&) = delete;
    ScrollBarWindow& operator=(const ScrollBarWindow&) = delete;

    HWND hwnd() const noexcept { return hwnd_.get(); }
    // The parent's WM_HSCROLL / WM_VSCROLL for this bar.
    void on_scroll_message(WPARAM wp) noexcept;
    // The parent destroyed the window: forget the handle.
    void forget_window() noexcept { hwnd_.release(); }
    ScrollBarState state() const noexcept;

    bool visible() const override { return visible_; }
    void set_visible(bool value) override;
    std::int16_t value() const override { return model_.value(); }
    void set_value(std::int16_t value) override;
    void set_min(std::int16_t value) override;
    void set_max(std::int16_t value) override;
    void set_small_change(std::int16_t value) override;
    void set_large_change(std::int16_t value) override;
    void move(std::int32_t left, std::int32_t top, std::int32_t width) override;
    void move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;

private:
    void sync() noexcept;
    void changed_if(bool changed);
    MemberRect rect_twips() const noexcept;

    const DpiUnits& units_;
    ViewWindowEvents& events_;
    view::ScrollBarModel model_;
    bool visible_ = false;
    unique_hwnd hwnd_;
};

}  // namespace korvix
