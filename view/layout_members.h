// The inner members of the control as the view layout sees them, with the
// semantics of the platform's intrinsic controls. Implemented by the real
// child windows and, in tests, by fakes. A member refuses a value by throwing
// (any std::exception); the layout decides what to do with that.
#pragma once

#include <cstdint>

namespace korvix::view {

// The control surface: outer size in twips and its border.
class SurfaceMember {
public:
    virtual std::int16_t border_style() const = 0;  // 0 none, 1 fixed single
    virtual std::int32_t width() const = 0;         // twips, outer
    virtual std::int32_t height() const = 0;

protected:
    ~SurfaceMember() = default;
};

// picTwain: scale unit pixel; placed in twips.
class PictureBoxMember {
public:
    virtual float scale_width() const = 0;   // inner size, pixels
    virtual float scale_height() const = 0;
    // May raise the box's Resize (a nested layout) before it returns.
    virtual void move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) = 0;

protected:
    ~PictureBoxMember() = default;
};

// HScroll1 / VScroll1: 16-bit settings, placed in twips.
class ScrollBarMember {
public:
    virtual bool visible() const = 0;
    virtual void set_visible(bool value) = 0;
    virtual std::int16_t value() const = 0;
    virtual void set_value(std::int16_t value) = 0;
    virtual void set_min(std::int16_t value) = 0;
    virtual void set_max(std::int16_t value) = 0;
    virtual void set_small_change(std::int16_t value) = 0;
    virtual void set_large_change(std::int16_t value) = 0;
    // Move Left, Top, Width: the height stays.
    virtual void move(std::int32_t left, std::int32_t top, std::int32_t width) = 0;
    virtual void move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) = 0;

protected:
    ~ScrollBarMember() = default;
};

struct PictureSize {
    std::int32_t width = 0, height = 0;  // pixels
};

// What the layout needs from the control that owns the view.
class LayoutOwner {
public:
    virtual bool auto_redraw() const = 0;           // mAutoRedraw
    virtual void set_auto_redraw(bool value) = 0;
    virtual bool scrollable() const = 0;            // mScrollable
    virtual bool has_view_picture() const = 0;      // mViewPicture is not Nothing
    // Size of mViewPicture's bitmap (0 x 0 for none). May throw: the error
    // goes to whoever asked for the picture to become current.
    virtual PictureSize measure_view_picture() = 0;
    virtual void show_whole_picture() = 0;          // picTwain.Picture = mViewPicture
    virtual void show_visible_part() = 0;           // HScroll1_Change
    virtual void repaint_picture_box() = 0;         // picTwain.Refresh

protected:
    ~LayoutOwner() = default;
};

}  // namespace korvix::view
