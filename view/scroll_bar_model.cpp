#include "view/scroll_bar_model.h"

namespace korvix::view {

std::int16_t ScrollBarModel::clamp(int v) const noexcept {
    if (v < native_min()) v = native_min();
    if (v > native_max()) v = native_max();
    return static_cast<std::int16_t>(v);
}

bool ScrollBarModel::assign(std::int16_t v) noexcept {
    if (v == value_) return false;
    value_ = v;
    return true;
}

bool ScrollBarModel::set_min(std::int16_t value) noexcept {
    min_ = value;
    return assign(clamp(value_));
}

bool ScrollBarModel::set_max(std::int16_t value) noexcept {
    max_ = value;
    return assign(clamp(value_));
}

bool ScrollBarModel::set_value(std::int16_t value) {
    if (!in_range(value)) throw invalid_property_value();
    return assign(value);
}

void ScrollBarModel::set_small_change(std::int16_t value) {
    if (value < 1) throw invalid_property_value();
    small_change_ = value;
}

void ScrollBarModel::set_large_change(std::int16_t value) {
    if (value < 1) throw invalid_property_value();
    large_change_ = value;
}

std::int16_t ScrollBarModel::value_from_native(int position) const noexcept {
    const int v = min_ <= max_ ? position : min_ + max_ - position;
    return clamp(v);
}

// A step that is not the thumb's ends a drag that is still open (the bar
// may be driven by messages that never send its final position): it reports
// the drag's change along with its own, and a later thumb position or drag
// starts from the step's value.
bool ScrollBarModel::step_to(int v) noexcept {
    const bool moved = assign(clamp(v));
    const bool drag_changed = dragging_ && value_ != drag_origin_;
    dragging_ = false;
    return moved || drag_changed;
}

ScrollBarModel::Outcome ScrollBarModel::apply(Action action, int position) noexcept {
    Outcome out;
    // "Down" and "right" move towards Max, whichever way the range runs.
    const int step = direction();
    switch (action) {
    case Action::line_up: out.changed = step_to(value_ - step * small_change_); break;
    case Action::line_down: out.changed = step_to(value_ + step * small_change_); break;
    case Action::page_up: out.changed = step_to(value_ - step * large_change_); break;
    case Action::page_down: out.changed = step_to(value_ + step * large_change_); break;
    case Action::top: out.changed = step_to(min_); break;
    case Action::bottom: out.changed = step_to(max_); break;
    case Action::thumb_track:
        if (!dragging_) {
            dragging_ = true;
            drag_origin_ = value_;
        }
        assign(value_from_native(position));
        out.scrolled = true;
        break;
    case Action::thumb_position:
        if (dragging_) {
            assign(value_from_native(position));
            out.changed = value_ != drag_origin_;
            dragging_ = false;
        } else {
            out.changed = assign(value_from_native(position));
        }
        break;
    case Action::end_scroll:
        if (dragging_) {
            out.changed = value_ != drag_origin_;
            dragging_ = false;
        }
        break;
    }
    return out;
}

}  // namespace korvix::view
