// The control surface: the child window the container sees. Owns the
// border (BorderStyle 1 = a 2-pixel sunken edge each side, the layout's
// 60-twip allowance at 15 twips per pixel), Enabled, the keyboard focus,
// the outer size in twips, and routes its scroll bars' notifications.
#pragma once

#include <windows.h>

#include "common/win/unique_resource.h"
#include "view/control_view.h"
#include "view/dpi_units.h"
#include "view/layout_members.h"
#include "view/view_window_events.h"
#include "view/window_classes.h"

namespace korvix {

class ScrollBarWindow;

class SurfaceWindow final : public view::SurfaceMember, private MessageTarget {
public:
    SurfaceWindow(HWND parking, const DpiUnits& units, ViewWindowEvents& events, ControlViewSite& site);
    ~SurfaceWindow();
    SurfaceWindow(const SurfaceWindow&) = delete;
    SurfaceWindow& operator=(const SurfaceWindow&) = delete;

    HWND hwnd() const noexcept { return hwnd_.get(); }
    void set_scroll_bars(ScrollBarWindow* hbar, ScrollBarWindow* vbar) noexcept {
        hbar_ = hbar;
        vbar_ = vbar;
    }

    std::int16_t border_style() const override { return border_style_; }
    void set_border_style(SHORT style);
    std::int32_t width() const override;
    std::int32_t height() const override;
    SIZE outer_pixels() const noexcept;
    bool enabled() const noexcept;
    void set_enabled(bool value) noexcept;

private:
    LRESULT handle_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void window_destroyed() noexcept override;
    static SHORT key_shift() noexcept;

    const DpiUnits& units_;
    ViewWindowEvents& events_;
    ControlViewSite& site_;
    unique_hwnd hwnd_;
    ScrollBarWindow* hbar_ = nullptr;
    ScrollBarWindow* vbar_ = nullptr;
    SHORT border_style_ = 1;  // designed: fixed single
    SIZE last_size_{0, 0};
};

}  // namespace korvix
