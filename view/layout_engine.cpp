#include "view/layout_engine.h"

#include <exception>
#include <limits>
#include <stdexcept>

#include "view/round_half_even.h"

namespace korvix::view {
namespace {

// Runs one step of a procedure that ignores its errors: a step that throws
// is skipped and the caller goes on with the next one.
template <typename Step>
void ignoring_errors(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

// Placement arithmetic in Long: an overflow fails the step like the
// platform's own overflow error would.
std::int32_t checked_long(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw std::overflow_error("overflow");
    return static_cast<std::int32_t>(value);
}

class counter_scope {
public:
    explicit counter_scope(int& counter) noexcept : counter_(counter) { ++counter_; }
    ~counter_scope() { --counter_; }
    counter_scope(const counter_scope&) = delete;
    counter_scope& operator=(const counter_scope&) = delete;

private:
    int& counter_;
};

// Forces AutoRedraw on for one Refresh and puts the old value back even when
// the layout fails, so a failed Refresh cannot leave the host's setting changed.
class auto_redraw_forced {
public:
    explicit auto_redraw_forced(LayoutOwner& owner) : owner_(owner), saved_(owner.auto_redraw()) {
        owner_.set_auto_redraw(true);
    }
    ~auto_redraw_forced() { owner_.set_auto_redraw(saved_); }
    auto_redraw_forced(const auto_redraw_forced&) = delete;
    auto_redraw_forced& operator=(const auto_redraw_forced&) = delete;

private:
    LayoutOwner& owner_;
    bool saved_;
};

}  // namespace

std::int16_t to_scroll_range(std::int32_t value) noexcept {
    if (value > std::numeric_limits<std::int16_t>::max()) return std::numeric_limits<std::int16_t>::max();
    if (value < std::numeric_limits<std::int16_t>::min()) return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(value);
}

void LayoutEngine::set_view_picture() {
    if (!owner_.has_view_picture()) return;  // Nothing: the view stays as it is
    if (layouts_ >= kMaxNesting) return;
    counter_scope nesting(layouts_);

    const PictureSize size = owner_.measure_view_picture();
    layout_view(size.width, size.height);

    // The bars as the (possibly nested) layout left them.
    const bool v_visible = vbar_.visible();
    const bool h_visible = hbar_.visible();
    if (owner_.auto_redraw() && !v_visible && !h_visible) owner_.show_whole_picture();
}

void LayoutEngine::refresh() {
    if (refreshes_ >= kMaxNesting) return;
    counter_scope nesting(refreshes_);
    {
        auto_redraw_forced forced(owner_);
        set_view_picture();
    }
    owner_.repaint_picture_box();
}

void LayoutEngine::scroll_changed() {
    if (in_layout()) return;
    owner_.show_visible_part();
}

void LayoutEngine::layout_view(std::int32_t width, std::int32_t height) {
    bool v_needed = false;
    bool h_needed = false;
    std::int32_t border = 0;
    std::int32_t h_max = 0;
    std::int32_t v_max = 0;

    // Every picture-box measurement is taken here, before anything moves.
    ignoring_errors([&] {
        const double scale_height = box_.scale_height();
        v_needed = scale_height < static_cast<double>(height) && owner_.scrollable() && owner_.auto_redraw();
    });
    ignoring_errors([&] {
        const double scale_width = box_.scale_width();
        h_needed = scale_width < static_cast<double>(width) && owner_.scrollable() && owner_.auto_redraw();
    });
    ignoring_errors([&] { border = surface_.border_style() == 1 ? kBorderAllowance : 0; });
    const std::int32_t v_thick = v_needed ? kBarThickness : 0;
    const std::int32_t h_thick = h_needed ? kBarThickness : 0;
    ignoring_errors([&] { h_max = round_to_long(static_cast<double>(width) - box_.scale_width()); });
    ignoring_errors([&] { v_max = round_to_long(static_cast<double>(height) - box_.scale_height()); });

    // HScroll1.
    ignoring_errors([&] { hbar_.set_visible(false); });
    ignoring_errors([&] { hbar_.set_min(0); });
    ignoring_errors([&] { hbar_.set_value(hbar_.value()); });  // keeps the position where the range allows
    ignoring_errors([&] { hbar_.set_max(to_scroll_range(h_max)); });
    ignoring_errors([&] { hbar_.set_small_change(kSmallChange); });
    ignoring_errors([&] { hbar_.set_large_change(kLargeChange); });
    ignoring_errors([&] {
        const std::int64_t h = surface_.height();
        const std::int64_t w = surface_.width();
        hbar_.move(0, checked_long(h - h_thick - border), checked_long(w - v_thick - kBarShortening));
    });
    ignoring_errors([&] { hbar_.set_visible(h_needed); });

    // VScroll1.
    ignoring_errors([&] { vbar_.set_visible(false); });
    ignoring_errors([&] { vbar_.set_min(0); });
    ignoring_errors([&] { vbar_.set_value(vbar_.value()); });
    ignoring_errors([&] { vbar_.set_max(to_scroll_range(v_max)); });
    ignoring_errors([&] { vbar_.set_small_change(kSmallChange); });
    ignoring_errors([&] { vbar_.set_large_change(kLargeChange); });
    ignoring_errors([&] {
        const std::int64_t w = surface_.width();
        const std::int64_t h = surface_.height();
        vbar_.move(checked_long(w - v_thick - border), 0, v_thick, checked_long(h - h_thick - kBarShortening));
    });
    ignoring_errors([&] { vbar_.set_visible(v_needed); });

    // picTwain: a size change runs a complete nested layout right here.
    ignoring_errors([&] {
        const std::int64_t w = surface_.width();
        const std::int64_t h = surface_.height();
        box_.move(0, 0, checked_long(w - v_thick - border), checked_long(h - h_thick - border));
    });

    if (owner_.auto_redraw() && (h_needed || v_needed)) ignoring_errors([&] { owner_.show_visible_part(); });
}

}  // namespace korvix::view
