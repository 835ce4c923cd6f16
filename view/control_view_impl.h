// ControlView's insides: the windows, the layout engine driving them, and
// the control-side state the layout keeps (mViewPicture).
#pragma once

#include <memory>

#include "codecs/gdi_helper.h"
#include "view/control_view.h"
#include "view/dpi_units.h"
#include "view/layout_engine.h"
#include "view/picture_box_window.h"
#include "view/scroll_bar_window.h"
#include "view/surface_window.h"
#include "view/view_window_events.h"
#include "view/visible_part.h"
#include "view/window_classes.h"

namespace korvix {

// The hidden top-level popup that holds the surface while no container does.
class ParkingWindow final : private MessageTarget {
public:
    ParkingWindow();
    ~ParkingWindow() { hwnd_.reset(); }
    ParkingWindow(const ParkingWindow&) = delete;
    ParkingWindow& operator=(const ParkingWindow&) = delete;
    HWND hwnd() const noexcept { return hwnd_.get(); }

private:
    LRESULT handle_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override {
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    void window_destroyed() noexcept override { hwnd_.release(); }
    unique_hwnd hwnd_;
};

struct ControlView::Impl final : view::LayoutOwner, ViewWindowEvents {
    explicit Impl(ControlViewSite& site);
    ~Impl();

    // LayoutOwner.
    bool auto_redraw() const override { return site.auto_redraw(); }
    void set_auto_redraw(bool value) override { site.set_auto_redraw(value); }
    bool scrollable() const override { return site.scrollable(); }
    bool has_view_picture() const override { return static_cast<bool>(view_picture); }
    view::PictureSize measure_view_picture() override;
    void show_whole_picture() override {
        box->set_picture(view_picture);
        canvas.release();
    }
    void show_visible_part() override { hscroll1_change(); }
    void repaint_picture_box() override;

    // ViewWindowEvents.
    void surface_resized() override;
    void picture_box_resized() override;
    void scroll_changed() override;
    void scroll_tracked() override;

    // Shows the part of mViewPicture at the bars' positions (scrolled_viewport.cpp).
    void hscroll1_change();

    ControlViewSite& site;
    // What the picture box shows while scrolled; it outlives the box, which
    // holds its picture.
    ViewportCanvas canvas;
    DpiUnits units = DpiUnits::of_screen();
    WindowClassesInUse classes;
    // Declaration order is creation order; destruction runs backwards, so
    // children go before their parents.
    ParkingWindow parking;
    std::unique_ptr<SurfaceWindow> surface;
    std::unique_ptr<PictureBoxWindow> box;
    std::unique_ptr<ScrollBarWindow> hbar;
    std::unique_ptr<ScrollBarWindow> vbar;
    std::unique_ptr<view::LayoutEngine> engine;
    com_ptr<IPictureDisp> view_picture;  // mViewPicture
    GdiHelper gdi;
    bool ready = false;  // no notifications reach the layout while windows are built or torn down
};

}  // namespace korvix
