// Making a picture current in the view and laying out the picture box and
// the two scroll bars around it (SetViewPicture / LayoutView / Refresh),
// written against the abstract inner members so that it runs the same on
// the real child windows and on test fakes.
#pragma once

#include <cstdint>

#include "view/layout_members.h"

namespace korvix::view {

// Layout constants, twips.
inline constexpr std::int32_t kBarThickness = 255;
inline constexpr std::int32_t kBorderAllowance = 60;
inline constexpr std::int32_t kBarShortening = 30;
// Scroll-bar settings, pixels of the picture.
inline constexpr std::int16_t kSmallChange = 10;
inline constexpr std::int16_t kLargeChange = 100;
// Nested layouts (picture box Resize -> Refresh -> layout -> Move -> Resize
// ...) normally settle after one or two levels; a size that keeps flipping
// would otherwise recurse until the stack is gone.
inline constexpr int kMaxNesting = 8;

// Scroll range in the bars' 16-bit settings: values beyond the range
// saturate instead of wrapping into a reversed or empty range.
std::int16_t to_scroll_range(std::int32_t value) noexcept;

class LayoutEngine {
public:
    LayoutEngine(LayoutOwner& owner, SurfaceMember& surface, PictureBoxMember& picture_box,
                 ScrollBarMember& hscroll, ScrollBarMember& vscroll) noexcept
        : owner_(owner), surface_(surface), box_(picture_box), hbar_(hscroll), vbar_(vscroll) {}
    LayoutEngine(const LayoutEngine&) = delete;
    LayoutEngine& operator=(const LayoutEngine&) = delete;

    // SetViewPicture once the owner has made mViewPicture the new picture:
    // Nothing changes nothing; otherwise measure, lay out, and show the whole
    // picture when no bar is left visible. Measuring errors are thrown before
    // any geometry changes.
    void set_view_picture();
    // The public Refresh: a layout with AutoRedraw forced True (restored on
    // every path), then the picture box repaints.
    void refresh();

    // Notifications of the inner members.
    void surface_resized() { set_view_picture(); }   // before the owner raises Resize
    void picture_box_resized() { refresh(); }
    // A bar's Value changed (click, keyboard, or a range change clamping it).
    // Changes caused by the layout's own settings are not shown: the layout
    // decides itself what to show when it ends (so AutoRedraw False keeps the
    // previous image).
    void scroll_changed();
    // The thumb is being dragged: show the part under it.
    void scroll_tracked() { owner_.show_visible_part(); }

    bool in_layout() const noexcept { return layouts_ > 0; }
    int nesting() const noexcept { return layouts_; }

private:
    void layout_view(std::int32_t width, std::int32_t height);

    LayoutOwner& owner_;
    SurfaceMember& surface_;
    PictureBoxMember& box_;
    ScrollBarMember& hbar_;
    ScrollBarMember& vbar_;
    int layouts_ = 0;
    int refreshes_ = 0;
};

}  // namespace korvix::view
