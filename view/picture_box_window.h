// picTwain: a borderless child window whose scale unit is the pixel. Shows
// its Picture at natural size from the top-left on its BackColor, owns the
// mouse pointer and tool tip, keeps one DC for its life (its hDC), and
// reports Resize, Paint, mouse and click notifications.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "common/win/unique_resource.h"
#include "view/control_view.h"
#include "view/dpi_units.h"
#include "view/layout_members.h"
#include "view/view_window_events.h"
#include "view/window_classes.h"

namespace korvix {

class PictureBoxWindow final : public view::PictureBoxMember, private MessageTarget {
public:
    // tooltip_owner: a top-level window of ours that outlives the tool tip.
    PictureBoxWindow(HWND parent, HWND tooltip_owner, const DpiUnits& units, ViewWindowEvents& events,
                     ControlViewSite& site);
    ~PictureBoxWindow();
    PictureBoxWindow(const PictureBoxWindow&) = delete;
    PictureBoxWindow& operator=(const PictureBoxWindow&) = delete;

    HWND hwnd() const noexcept { return hwnd_.get(); }
    HDC own_dc() const noexcept { return own_dc_; }

    float scale_width() const override;
    float scale_height() const override;
    void move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;
    MemberRect rect_twips() const noexcept;

    OLE_COLOR back_color() const noexcept { return back_color_; }
    void set_back_color(OLE_COLOR color);
    SHORT mouse_pointer() const noexcept { return mouse_pointer_; }
    void set_mouse_pointer(SHORT pointer);
    const com_ptr<IPictureDisp>& mouse_icon() const noexcept { return mouse_icon_; }
    void set_mouse_icon(IPictureDisp* icon);
    const std::wstring& tool_tip_text() const noexcept { return tool_tip_text_; }
    void set_tool_tip_text(const std::wstring& text);
    HWND tool_tip_window() const noexcept { return tooltip_.get(); }

    const com_ptr<IPictureDisp>& picture() const noexcept { return picture_; }
    void set_picture(const com_ptr<IPictureDisp>& picture) noexcept;

    // Background and picture as the window shows them, into dc at its origin.
    void paint_into(HDC dc) const noexcept;

private:
    LRESULT handle_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void window_destroyed() noexcept override;
    void mouse_event(MouseAction action, SHORT button, WPARAM wp, LPARAM lp);
    HCURSOR cursor() const noexcept;
    SIZE client_size() const noexcept;

    const DpiUnits& units_;
    ViewWindowEvents& events_;
    ControlViewSite& site_;
    HWND tooltip_owner_;
    unique_hwnd hwnd_;
    HDC own_dc_ = nullptr;  // belongs to the window (CS_OWNDC)
    unique_hwnd tooltip_;   // created on first use, destroyed before the window
    SIZE last_size_{0, 0};
    bool whole_box_invalid_ = false;  // invalidated by set_picture, not painted since
    OLE_COLOR back_color_ = 0x80000005;  // window background
    SHORT mouse_pointer_ = 0;
    com_ptr<IPictureDisp> mouse_icon_;
    std::wstring tool_tip_text_;
    com_ptr<IPictureDisp> picture_;
    bool after_dbl_click_ = false;
};

}  // namespace korvix
