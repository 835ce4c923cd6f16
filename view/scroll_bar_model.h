// A scroll bar's settings with the semantics hosts know from the platform's
// intrinsic scroll bars: 16-bit Min/Max/Value, Max may lie below Min (the
// bar then runs backwards), Value is pulled into the range when the range
// moves, and Change is reported only when Value really changes. Also maps
// the settings to a native scroll bar, whose range must run upwards.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace korvix::view {

// A member refusing a value (the platform's "Invalid property value").
class invalid_property_value : public std::invalid_argument {
public:
    invalid_property_value() : std::invalid_argument("Invalid property value") {}
};

class ScrollBarModel {
public:
    // What a user action on the native bar asks for.
    enum class Action { line_up, line_down, page_up, page_down, top, bottom, thumb_track, thumb_position, end_scroll };
    struct Outcome {
        bool changed = false;   // raise Change
        bool scrolled = false;  // raise Scroll (thumb being dragged)
    };

    std::int16_t min() const noexcept { return min_; }
    std::int16_t max() const noexcept { return max_; }
    std::int16_t value() const noexcept { return value_; }
    std::int16_t small_change() const noexcept { return small_change_; }
    std::int16_t large_change() const noexcept { return large_change_; }

    // Each returns true when Value changed (the caller raises Change).
    bool set_min(std::int16_t value) noexcept;
    bool set_max(std::int16_t value) noexcept;
    bool set_value(std::int16_t value);               // outside the range: invalid_property_value
    void set_small_change(std::int16_t value);        // 1..32767
    void set_large_change(std::int16_t value);

    // A user action; position is the native thumb position for the thumb actions.
    Outcome apply(Action action, int position = 0) noexcept;

    // The native bar's view: an upward range and the thumb position in it.
    int native_min() const noexcept { return min_ <= max_ ? min_ : max_; }
    int native_max() const noexcept { return min_ <= max_ ? max_ : min_; }
    int native_position() const noexcept { return min_ <= max_ ? value_ : min_ + max_ - value_; }
    std::int16_t value_from_native(int position) const noexcept;

private:
    bool in_range(int v) const noexcept { return v >= native_min() && v <= native_max(); }
    std::int16_t clamp(int v) const noexcept;
    bool assign(std::int16_t v) noexcept;
    bool step_to(int v) noexcept;
    int direction() const noexcept { return max_ >= min_ ? 1 : -1; }

    std::int16_t min_ = 0;
    std::int16_t max_ = 32767;
    std::int16_t value_ = 0;
    std::int16_t small_change_ = 1;
    std::int16_t large_change_ = 1;
    bool dragging_ = false;
    std::int16_t drag_origin_ = 0;
};

}  // namespace korvix::view
