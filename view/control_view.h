// The control's visual side: the control surface window, the picture box
// (picTwain) and the two scroll bars (HScroll1, VScroll1), with the property
// semantics hosts know from Visual Basic's intrinsic controls, plus the view
// layout (SetViewPicture / LayoutView / Refresh).
//
// The windows exist for the whole life of the object: they are created at
// once, parked under a hidden window, and re-parented to the container's
// window on in-place activation (and parked again on deactivation). So every
// property (hDC, hwnd, ScaleWidth...) works in any state.
//
// Units: the surface's Width/Height and every Move are twips; the picture
// box's ScaleWidth/ScaleHeight, picture sizes and scroll values are pixels.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <memory>
#include <string>

#include "common/win/unique_resource.h"

namespace korvix {

// What happened to the mouse over the picture box.
enum class MouseAction { down, up, move };
// What happened to a key while the control surface had the focus.
enum class KeyAction { down, up };

// What the view needs from the control that owns it, and what it reports
// back in its own terms (the control turns the reports into its events).
// Called synchronously on the UI thread, possibly re-entrantly (the layout's
// Move raises the picture box's Resize, which runs Refresh; a report's
// handler may call back into the view).
class ControlViewSite {
public:
    virtual bool auto_redraw() const = 0;           // mAutoRedraw
    virtual void set_auto_redraw(bool value) = 0;   // Refresh forces it True for its duration
    virtual bool scrollable() const = 0;            // mScrollable

    // Reports, each made after the view's own work for it.
    virtual void on_surface_resize() = 0;           // the surface has its new size and layout
    virtual void on_scroll() = 0;                   // a thumb moved and its part is shown
    virtual void on_picture_box_paint() = 0;        // the picture box has painted itself
    virtual void on_click() = 0;                    // on the picture box
    virtual void on_dbl_click() = 0;
    // Buttons and shift state as bit sets (1 left / shift, 2 right / control,
    // 4 middle / alt); x and y in pixels from the picture box's top-left. The
    // values are the view's own: what the site leaves in them is what the view
    // goes on with.
    virtual void on_mouse(MouseAction action, SHORT& button, SHORT& shift, float& x, float& y) = 0;
    virtual void on_key(KeyAction action, SHORT& key_code, SHORT& shift) = 0;
    // A character typed on the surface; a key_ascii of 0 on return cancels it.
    virtual void on_key_press(SHORT& key_ascii) = 0;
    // The surface got focus / wants the container to activate the control.
    virtual void on_focus_request() = 0;

    // Keeps the site, and the view it owns, alive while the view handles one
    // window message: a report's handler may let go of the control.
    virtual void hold() noexcept = 0;
    virtual void release_hold() noexcept = 0;

protected:
    ~ControlViewSite() = default;
};

// Holds a ControlViewSite for one scope.
class site_hold {
public:
    explicit site_hold(ControlViewSite& site) noexcept : site_(site) { site_.hold(); }
    ~site_hold() { site_.release_hold(); }
    site_hold(const site_hold&) = delete;
    site_hold& operator=(const site_hold&) = delete;

private:
    ControlViewSite& site_;
};

// Geometry of an inner member as its container sees it, in twips.
struct MemberRect {
    LONG left = 0, top = 0, width = 0, height = 0;
};

// Settings of a scroll bar, as the layout left them.
struct ScrollBarState {
    SHORT min = 0, max = 0, value = 0, small_change = 1, large_change = 1;
    bool visible = false;
    MemberRect rect;  // twips
};

class ControlView {
public:
    // Creates the (parked) windows. Throws hresult_error on failure.
    explicit ControlView(ControlViewSite& site);
    ~ControlView();
    ControlView(const ControlView&) = delete;
    ControlView& operator=(const ControlView&) = delete;

    // --- placement in a container ---------------------------------------
    HWND surface_hwnd() const noexcept;
    // Re-parents the surface into parent at pos (parent client pixels) and shows it.
    void attach(HWND parent, const RECT& pos);
    // Hides the surface and parks it again.
    void detach() noexcept;
    // Moves/resizes the surface (container pixels). Raises the surface's Resize
    // (re-layout, then site.on_surface_resize) when the size changes.
    void set_rect(const RECT& pos);
    // Size without a container window (IOleObject::SetExtent before activation).
    void set_size_pixels(LONG width, LONG height);

    // --- control surface --------------------------------------------------
    SHORT border_style() const noexcept;        // 0 none, 1 fixed single
    void set_border_style(SHORT style);         // anything else: CTL_E_INVALIDPROPERTYVALUE
    bool enabled() const noexcept;
    void set_enabled(bool value);
    LONG width_twips() const noexcept;          // outer size
    LONG height_twips() const noexcept;

    // --- picTwain ------------------------------------------------------------
    OLE_COLOR back_color() const noexcept;
    void set_back_color(OLE_COLOR color);       // invalid system colour index: CTL_E_INVALIDPROPERTYVALUE
    SHORT mouse_pointer() const noexcept;
    void set_mouse_pointer(SHORT pointer);      // 0..15 or 99, else CTL_E_INVALIDPROPERTYVALUE
    com_ptr<IPictureDisp> mouse_icon() const;
    void set_mouse_icon(IPictureDisp* icon);    // Nothing allowed
    std::wstring tool_tip_text() const;
    void set_tool_tip_text(const std::wstring& text);
    LONG picture_box_hdc();                     // picTwain.hDC
    HWND picture_box_hwnd() const noexcept;     // picTwain.hWnd
    float scale_width() const noexcept;         // picTwain.ScaleWidth, pixels
    float scale_height() const noexcept;
    MemberRect picture_box_rect() const noexcept;       // twips, relative to the surface
    com_ptr<IPictureDisp> shown_picture() const;        // picTwain.Picture

    ScrollBarState hscroll() const noexcept;
    ScrollBarState vscroll() const noexcept;

    // --- layout ---------------------------------------------------------------
    // SetViewPicture: mViewPicture = pic (Nothing allowed), measure, lay out, show.
    // Errors while measuring are thrown (hresult_error); the layout itself ignores errors.
    void set_view_picture(IPictureDisp* pic);
    com_ptr<IPictureDisp> view_picture() const;          // mViewPicture
    // The public Refresh: full layout with AutoRedraw forced True, then repaint.
    void refresh();
    // HScroll1_Change: the picture box shows the part of mViewPicture at the
    // bars' positions (what a bar's Change does).
    void show_visible_part();

    // IViewObject::Draw: renders the surface as it looks now into dc at bounds.
    void draw(HDC dc, const RECT& bounds);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvix
