#include "view/scroll_bar_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvix::view {
namespace {

using Action = ScrollBarModel::Action;

TEST(ScrollBarModel, StartsWithThePlatformDefaults) {
    ScrollBarModel bar;
    EXPECT_EQ(bar.min(), 0);
    EXPECT_EQ(bar.max(), 32767);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(bar.small_change(), 1);
    EXPECT_EQ(bar.large_change(), 1);
}

TEST(ScrollBarModel, RangeChangesPullValueInAndReportOnlyRealChanges) {
    ScrollBarModel bar;
    EXPECT_FALSE(bar.set_max(684));
    EXPECT_TRUE(bar.set_value(500));
    EXPECT_FALSE(bar.set_value(500));  // re-assigning the same value is no Change
    EXPECT_FALSE(bar.set_max(600));    // still inside
    EXPECT_EQ(bar.value(), 500);
    EXPECT_TRUE(bar.set_max(384));
    EXPECT_EQ(bar.value(), 384);
    EXPECT_FALSE(bar.set_min(400));    // backwards range 400..384 still holds 384
    EXPECT_EQ(bar.value(), 384);
    EXPECT_TRUE(bar.set_max(500));     // 400..500: 384 is pulled up to Min
    EXPECT_EQ(bar.value(), 400);
}

TEST(ScrollBarModel, BackwardsRangeHoldsValuesBetweenMaxAndMin) {
    ScrollBarModel bar;
    bar.set_max(-36);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_TRUE(bar.set_value(-20));
    EXPECT_THROW(bar.set_value(1), invalid_property_value);
    EXPECT_THROW(bar.set_value(-37), invalid_property_value);
    EXPECT_EQ(bar.value(), -20);
    EXPECT_EQ(bar.native_min(), -36);
    EXPECT_EQ(bar.native_max(), 0);
    // Min sits at the top/left end: the native thumb runs mirrored.
    EXPECT_EQ(bar.native_position(), -16);
    EXPECT_EQ(bar.value_from_native(-36), 0);
    EXPECT_EQ(bar.value_from_native(0), -36);
}

TEST(ScrollBarModel, ValueOutsideRangeIsRefusedAndKept) {
    ScrollBarModel bar;
    bar.set_max(100);
    bar.set_value(40);
    EXPECT_THROW(bar.set_value(101), invalid_property_value);
    EXPECT_THROW(bar.set_value(-1), invalid_property_value);
    EXPECT_EQ(bar.value(), 40);
    EXPECT_THROW(bar.set_small_change(0), invalid_property_value);
    EXPECT_THROW(bar.set_large_change(-5), invalid_property_value);
    EXPECT_EQ(bar.small_change(), 1);
    bar.set_small_change(10);
    bar.set_large_change(100);
    EXPECT_EQ(bar.small_change(), 10);
    EXPECT_EQ(bar.large_change(), 100);
}

TEST(ScrollBarModel, ArrowsAndTrackStepTowardsMaxAndStopAtTheEnds) {
    ScrollBarModel bar;
    bar.set_max(684);
    bar.set_small_change(10);
    bar.set_large_change(100);
    auto out = bar.apply(Action::line_down);
    EXPECT_TRUE(out.changed);
    EXPECT_FALSE(out.scrolled);
    EXPECT_EQ(bar.value(), 10);
    bar.apply(Action::page_down);
    EXPECT_EQ(bar.value(), 110);
    bar.apply(Action::page_up);
    bar.apply(Action::line_up);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_FALSE(bar.apply(Action::line_up).changed);  // already at Min: no Change
    EXPECT_TRUE(bar.apply(Action::bottom).changed);
    EXPECT_EQ(bar.value(), 684);
    EXPECT_FALSE(bar.apply(Action::page_down).changed);
    EXPECT_TRUE(bar.apply(Action::top).changed);
    EXPECT_EQ(bar.value(), 0);
}

TEST(ScrollBarModel, BackwardsRangeStepsDownwardsInValue) {
    ScrollBarModel bar;
    bar.set_min(100);
    bar.set_max(0);
    bar.set_small_change(10);
    EXPECT_EQ(bar.value(), 100);
    bar.apply(Action::line_down);
    EXPECT_EQ(bar.value(), 90);
    EXPECT_EQ(bar.native_position(), 10);  // the thumb still moves right/down
}

TEST(ScrollBarModel, DraggingScrollsEachStepAndChangesOnceAtTheEnd) {
    ScrollBarModel bar;
    bar.set_max(684);
    auto t1 = bar.apply(Action::thumb_track, 50);
    auto t2 = bar.apply(Action::thumb_track, 120);
    EXPECT_TRUE(t1.scrolled);
    EXPECT_TRUE(t2.scrolled);
    EXPECT_FALSE(t1.changed);
    EXPECT_FALSE(t2.changed);
    EXPECT_EQ(bar.value(), 120);  // Value follows the thumb while dragging
    auto end = bar.apply(Action::thumb_position, 120);
    EXPECT_TRUE(end.changed);
    EXPECT_FALSE(bar.apply(Action::end_scroll).changed);
    // A drag that comes back to where it started changes nothing.
    bar.apply(Action::thumb_track, 300);
    EXPECT_FALSE(bar.apply(Action::thumb_position, 120).changed);
    // A drag ended without a final position still reports its change.
    bar.apply(Action::thumb_track, 200);
    EXPECT_TRUE(bar.apply(Action::end_scroll).changed);
    EXPECT_EQ(bar.value(), 200);
    // Track positions outside the range are pulled in.
    bar.apply(Action::thumb_track, 5000);
    EXPECT_EQ(bar.value(), 684);
}

// An arrow, page or end step while the thumb is dragged ends the drag: the
// step reports the drag's change, and a later thumb position is measured
// from the step's value, not from where the drag began.
TEST(ScrollBarModel, AStepDuringADragEndsTheDrag) {
    struct Step {
        Action action;
        int position;
        bool changed;  // the step's Change
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::int16_t value;
    } kCases[] = {
        {"arrow, then the thumb back to the drag's start",
         {{Action::thumb_track, 300, false}, {Action::line_down, 0, true}, {Action::thumb_position, 0, true}},
         0},
        {"a page that cannot move at the end, then back",
         {{Action::thumb_track, 684, false}, {Action::page_down, 0, true}, {Action::thumb_position, 0, true}},
         0},
        {"the end of the bar, then the thumb's own end",
         {{Action::thumb_track, 300, false}, {Action::top, 0, true}, {Action::end_scroll, 0, false}},
         0},
        {"a step back to the drag's start",
         {{Action::thumb_track, 10, false}, {Action::line_up, 0, true}, {Action::thumb_position, 0, false}},
         0},
        {"a new drag after the step starts from the step's value",
         {{Action::thumb_track, 300, false}, {Action::page_up, 0, true}, {Action::thumb_track, 200, false},
          {Action::thumb_position, 200, false}},
         200},
    };
    for (const auto& c : kCases) {
        ScrollBarModel bar;
        bar.set_max(684);
        bar.set_small_change(10);
        bar.set_large_change(100);
        for (std::size_t i = 0; i < c.steps.size(); ++i)
            EXPECT_EQ(bar.apply(c.steps[i].action, c.steps[i].position).changed, c.steps[i].changed)
                << c.name << ", step " << i;
        EXPECT_EQ(bar.value(), c.value) << c.name;
    }
}

}  // namespace
}  // namespace korvix::view
