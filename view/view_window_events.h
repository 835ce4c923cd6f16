// What the inner windows report to the view that owns them (the rest goes
// straight to the control's ControlViewSite).
#pragma once

namespace korvix {

class ViewWindowEvents {
public:
    virtual void surface_resized() = 0;       // outer size changed
    virtual void picture_box_resized() = 0;   // picTwain's size changed
    virtual void scroll_changed() = 0;        // a bar's Value changed
    virtual void scroll_tracked() = 0;        // a bar's thumb is being dragged

protected:
    ~ViewWindowEvents() = default;
};

}  // namespace korvix
