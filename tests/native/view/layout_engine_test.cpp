#include "view/layout_engine.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "fake_members.h"

namespace korvix::view {
namespace {

using testing::FakeView;
using testing::Rect;

std::vector<std::string> entries(std::initializer_list<const char*> list) {
    return std::vector<std::string>(list.begin(), list.end());
}

// BorderStyle 1, control 4800 x 3600 twips, box 316 x 236 px, picture 1000 x 200.
TEST(LayoutEngine, WorkedExampleLaysOutExactly) {
    FakeView v;
    v.box.raise_resize = false;  // the outer layout alone
    v.set_view_picture("pic", {1000, 200});

    EXPECT_TRUE(v.hbar.shown);
    EXPECT_EQ(v.hbar.rect, (Rect{0, 3285, 4770, 255}));
    EXPECT_EQ(v.hbar.model.min(), 0);
    EXPECT_EQ(v.hbar.model.max(), 684);
    EXPECT_EQ(v.hbar.model.small_change(), 10);
    EXPECT_EQ(v.hbar.model.large_change(), 100);

    EXPECT_FALSE(v.vbar.shown);
    EXPECT_EQ(v.vbar.rect, (Rect{4740, 0, 0, 3315}));
    EXPECT_EQ(v.vbar.model.min(), 0);
    EXPECT_EQ(v.vbar.model.max(), -36);
    EXPECT_EQ(v.vbar.model.small_change(), 10);
    EXPECT_EQ(v.vbar.model.large_change(), 100);

    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4740, 3285}));
    EXPECT_EQ(v.owner.shown, "pic/part");  // the visible part, not the whole picture
    EXPECT_EQ(v.journal.count("show_whole"), 0);
    EXPECT_EQ(v.journal.count("show_part"), 1);
}

TEST(LayoutEngine, WorkedExampleWithTheNestedLayoutOfTheResizedBox) {
    FakeView v;
    v.set_view_picture("pic", {1000, 200});

    // The box shrank from 236 to 219 px: its Resize ran Refresh, whose layout
    // measured 316 x 219 and whose settings are the ones that remain.
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4740, 3285}));
    EXPECT_FLOAT_EQ(v.box.scale_height(), 219.0f);
    EXPECT_EQ(v.hbar.rect, (Rect{0, 3285, 4770, 255}));
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_EQ(v.hbar.model.max(), 684);
    EXPECT_FALSE(v.vbar.shown);
    EXPECT_EQ(v.vbar.model.max(), -19);
    EXPECT_EQ(v.journal.entries,
              entries({"measure", "box.move",                            // outer, Move raises Resize
                       "measure", "box.move", "show_part", "repaint",    // nested Refresh
                       "show_part"}));                                   // outer layout shows the part
    EXPECT_TRUE(v.owner.redraw);
    EXPECT_EQ(v.engine.nesting(), 0);
}

TEST(LayoutEngine, ComparisonsAreStrict) {
    FakeView v;
    v.set_view_picture("fits", {316, 236});  // exactly the box
    EXPECT_FALSE(v.hbar.shown);
    EXPECT_FALSE(v.vbar.shown);
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4740, 3540}));
    EXPECT_EQ(v.owner.shown, "fits");
    EXPECT_EQ(v.hbar.model.max(), 0);
    EXPECT_EQ(v.vbar.model.max(), 0);

    v.set_view_picture("wider", {317, 10});
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_FALSE(v.vbar.shown);
    EXPECT_EQ(v.hbar.model.max(), 1);
    EXPECT_EQ(v.owner.shown, "wider/part");

    // The bar takes 17 px of height: a picture exactly as high as the box
    // then overflows in the nested layout, whose vertical bar narrows the box.
    v.set_view_picture("both", {317, 236});
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_TRUE(v.vbar.shown);
    EXPECT_EQ(v.hbar.model.max(), 317 - 299);
    EXPECT_EQ(v.vbar.model.max(), 236 - 219);
}

TEST(LayoutEngine, FractionalScaleRoundsHalvesToEven) {
    FakeView v;
    v.box.raise_resize = false;
    v.box.forced_scale_width = 100.5f;
    v.set_view_picture("a", {1001, 10});
    EXPECT_EQ(v.hbar.model.max(), 900);  // 900.5
    v.set_view_picture("b", {1002, 10});
    EXPECT_EQ(v.hbar.model.max(), 902);  // 901.5
    v.box.forced_scale_width = 100.4f;
    v.set_view_picture("c", {1001, 10});
    EXPECT_EQ(v.hbar.model.max(), 901);  // 900.6
    // The comparison is made on the fractional size too.
    v.box.forced_scale_width = 1000.5f;
    v.set_view_picture("d", {1000, 10});
    EXPECT_FALSE(v.hbar.shown);
    v.box.forced_scale_width = 999.5f;
    v.set_view_picture("e", {1000, 10});
    EXPECT_TRUE(v.hbar.shown);
}

TEST(LayoutEngine, BorderStyleOneTakesTheAllowanceAndBarsAlwaysLoseThirty) {
    FakeView v;
    v.surface.border = 0;
    v.set_view_picture("big", {2000, 2000});
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4800 - 255, 3600 - 255}));
    EXPECT_EQ(v.hbar.rect, (Rect{0, 3600 - 255, 4800 - 255 - 30, 255}));
    EXPECT_EQ(v.vbar.rect, (Rect{4800 - 255, 0, 255, 3600 - 255 - 30}));
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_TRUE(v.vbar.shown);
    EXPECT_EQ(v.hbar.model.max(), 2000 - 303);  // 4545 twips = 303 px
    EXPECT_EQ(v.vbar.model.max(), 2000 - 223);  // 3345 twips = 223 px

    v.surface.border = 1;
    v.set_view_picture("big", {2000, 2000});
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4800 - 255 - 60, 3600 - 255 - 60}));
    EXPECT_EQ(v.hbar.rect, (Rect{0, 3600 - 255 - 60, 4800 - 255 - 30, 255}));
    EXPECT_EQ(v.vbar.rect, (Rect{4800 - 255 - 60, 0, 255, 3600 - 255 - 30}));
}

TEST(LayoutEngine, NotScrollableShowsNoBarAndTheWholePicture) {
    FakeView v;
    v.owner.scroll = false;
    v.set_view_picture("big", {2000, 2000});
    EXPECT_FALSE(v.hbar.shown);
    EXPECT_FALSE(v.vbar.shown);
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4740, 3540}));
    EXPECT_EQ(v.owner.shown, "big");
    EXPECT_EQ(v.journal.count("show_part"), 0);
    // The hidden bars still carry the picture's ranges.
    EXPECT_EQ(v.hbar.model.max(), 2000 - 316);
    EXPECT_EQ(v.vbar.model.max(), 2000 - 236);
}

TEST(LayoutEngine, AutoRedrawOffKeepsThePreviousImageWhileTheBoxKeepsItsSize) {
    FakeView v;
    v.owner.redraw = false;
    v.set_view_picture("big", {2000, 2000});
    EXPECT_FALSE(v.hbar.shown);
    EXPECT_FALSE(v.vbar.shown);
    EXPECT_EQ(v.owner.shown, "designed");
    EXPECT_EQ(v.journal.count("show_whole") + v.journal.count("show_part"), 0);
    EXPECT_FALSE(v.owner.redraw);
}

TEST(LayoutEngine, AutoRedrawOffStillShowsWhenTheLayoutResizesTheBox) {
    FakeView v;
    v.owner.redraw = false;
    v.box.set_pixels(100, 100);  // the next Move changes its size
    v.set_view_picture("big", {2000, 2000});
    // The box's Resize ran Refresh, which laid out with AutoRedraw forced on.
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_TRUE(v.vbar.shown);
    EXPECT_EQ(v.owner.shown, "big/part");
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4800 - 255 - 60, 3600 - 255 - 60}));
    EXPECT_FALSE(v.owner.redraw);
}

TEST(LayoutEngine, OneAxisOverflowingStillConfiguresTheOtherBar) {
    FakeView v;
    v.vbar.model.set_max(50);
    v.vbar.model.set_value(30);
    v.hbar.model.set_value(7);
    v.set_view_picture("tall", {100, 500});
    EXPECT_TRUE(v.vbar.shown);
    EXPECT_FALSE(v.hbar.shown);
    EXPECT_EQ(v.hbar.rect, (Rect{0, 3600 - 60, 4800 - 255 - 30, 255}));
    EXPECT_EQ(v.hbar.model.min(), 0);
    EXPECT_EQ(v.hbar.model.max(), 100 - 299);  // box is 4485 twips = 299 px wide
    EXPECT_EQ(v.hbar.model.value(), 0);        // 7 lies outside 0..-199
    EXPECT_EQ(v.hbar.model.small_change(), 10);
    EXPECT_EQ(v.hbar.model.large_change(), 100);
    EXPECT_EQ(v.vbar.model.value(), 30);
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4800 - 255 - 60, 3600 - 60}));
}

TEST(LayoutEngine, NothingLeavesEverythingAsItWas) {
    FakeView v;
    v.set_view_picture("first", {1000, 1000});
    const Rect box = v.box.rect, h = v.hbar.rect, vb = v.vbar.rect;
    v.journal.entries.clear();
    v.set_view_picture("", {0, 0});
    v.engine.refresh();
    v.engine.surface_resized();
    EXPECT_EQ(v.journal.entries, entries({"repaint"}));  // only Refresh's repaint
    EXPECT_EQ(v.box.rect, box);
    EXPECT_EQ(v.hbar.rect, h);
    EXPECT_EQ(v.vbar.rect, vb);
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_EQ(v.owner.shown, "first/part");
}

TEST(LayoutEngine, EmptyPictureMeasuresZeroAndShowsOnlyTheBackground) {
    FakeView v;
    v.box.set_pixels(0, 0);  // the designed box before the first resize
    v.set_view_picture("empty", {0, 0});
    EXPECT_FALSE(v.hbar.shown);
    EXPECT_FALSE(v.vbar.shown);
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4740, 3540}));
    EXPECT_EQ(v.owner.shown, "empty");
    EXPECT_EQ(v.hbar.model.max(), -316);
    EXPECT_EQ(v.vbar.model.max(), -236);
}

TEST(LayoutEngine, ScrollPositionSurvivesANewPictureWhereTheRangeAllows) {
    FakeView v;
    v.set_view_picture("a", {1000, 1000});
    v.hbar.set_value(300);  // the user scrolled: a real Change, shown
    EXPECT_EQ(v.journal.count("h.change"), 1);
    v.journal.entries.clear();

    v.set_view_picture("b", {700, 1000});
    EXPECT_EQ(v.hbar.model.value(), 300);

    // A narrower picture pulls the position in; that Change belongs to the
    // layout, which shows the part once at its end.
    v.journal.entries.clear();
    v.set_view_picture("c", {400, 1000});
    EXPECT_EQ(v.hbar.model.value(), 400 - 299);
    EXPECT_EQ(v.journal.count("h.change"), 1);
    EXPECT_EQ(v.owner.shown, "c/part");
}

TEST(LayoutEngine, RangeClampDuringLayoutDoesNotShowWithAutoRedrawOff) {
    FakeView v;
    v.set_view_picture("a", {1000, 1000});
    v.hbar.set_value(500);
    v.journal.entries.clear();
    v.owner.redraw = false;
    v.box.raise_resize = false;  // no Refresh from a resized box here
    v.set_view_picture("b", {400, 1000});
    EXPECT_EQ(v.hbar.model.value(), 400 - 299);  // pulled into the new range...
    EXPECT_EQ(v.journal.count("h.change"), 1);
    EXPECT_EQ(v.journal.count("show_part"), 0);  // ...without showing the new picture
    EXPECT_EQ(v.owner.shown, "a/part");
}

TEST(LayoutEngine, MaxHoldsNegativeRangesAndSaturatesHugeOnes) {
    FakeView v;
    v.set_view_picture("small", {16, 36});
    EXPECT_EQ(v.hbar.model.max(), -300);
    EXPECT_EQ(v.vbar.model.max(), -200);
    EXPECT_EQ(v.hbar.model.value(), 0);
    v.set_view_picture("huge", {100000, 10});
    EXPECT_EQ(v.hbar.model.max(), 32767);  // not the low 16 bits (which would run backwards)
    EXPECT_TRUE(v.hbar.shown);
}

TEST(LayoutEngine, EveryStepRunsWhenOneIsRefused) {
    FakeView v;
    v.hbar.refuse_max = true;
    v.set_view_picture("big", {2000, 2000});
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_EQ(v.hbar.model.small_change(), 10);
    EXPECT_EQ(v.hbar.rect, (Rect{0, 3285, 4515, 255}));
    EXPECT_TRUE(v.vbar.shown);
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4485, 3285}));
    EXPECT_EQ(v.owner.shown, "big/part");
}

TEST(LayoutEngine, ControlSmallerThanItsBarsSkipsTheImpossibleMoves) {
    FakeView v;
    v.surface.outer_width = 40;
    v.surface.outer_height = 40;
    const Rect box = v.box.rect;
    EXPECT_NO_THROW(v.set_view_picture("big", {2000, 2000}));
    EXPECT_EQ(v.box.rect, box);                        // negative size refused, skipped
    EXPECT_EQ(v.hbar.rect, (Rect{0, 0, 1000, 255}));  // negative lengths refused too
    EXPECT_EQ(v.vbar.rect, (Rect{0, 0, 255, 1000}));
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_TRUE(v.vbar.shown);
}

TEST(LayoutEngine, MeasuringErrorReachesTheCallerBeforeAnythingMoves) {
    FakeView v;
    v.owner.measure_fails = true;
    const Rect box = v.box.rect;
    EXPECT_THROW(v.set_view_picture("bad", {10, 10}), std::runtime_error);
    EXPECT_EQ(v.box.rect, box);
    EXPECT_EQ(v.owner.shown, "designed");
    EXPECT_EQ(v.engine.nesting(), 0);
}

TEST(LayoutEngine, CutOutErrorsAreIgnoredByTheLayout) {
    FakeView v;
    v.owner.part_fails = true;
    EXPECT_NO_THROW(v.set_view_picture("big", {2000, 2000}));
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_EQ(v.box.rect, (Rect{0, 0, 4485, 3285}));
}

TEST(LayoutEngine, RefreshForcesAutoRedrawAndRestoresItOnEveryPath) {
    FakeView v;
    v.owner.redraw = false;
    v.set_view_picture("big", {2000, 2000});
    EXPECT_EQ(v.owner.shown, "designed");
    v.engine.refresh();
    EXPECT_TRUE(v.hbar.shown);
    EXPECT_TRUE(v.vbar.shown);
    EXPECT_EQ(v.owner.shown, "big/part");
    EXPECT_FALSE(v.owner.redraw);
    EXPECT_EQ(v.journal.entries.back(), "repaint");

    v.owner.measure_fails = true;
    EXPECT_THROW(v.engine.refresh(), std::runtime_error);
    EXPECT_FALSE(v.owner.redraw);

    // A bar that Refresh showed stays until a layout without Refresh.
    v.owner.measure_fails = false;
    v.box.raise_resize = false;
    v.engine.surface_resized();
    EXPECT_FALSE(v.hbar.shown);
}

TEST(LayoutEngine, UserScrollingShowsThePartAgain) {
    FakeView v;
    v.set_view_picture("big", {2000, 2000});
    v.journal.entries.clear();
    v.vbar.set_value(20);
    v.engine.scroll_tracked();
    EXPECT_EQ(v.journal.entries, entries({"v.change", "show_part", "show_part"}));
}

// A box that never settles: every Move leaves it a twip off what was asked,
// so each nested layout resizes it again.
TEST(LayoutEngine, OscillatingResizeStopsAtTheNestingLimit) {
    FakeView v;
    int deepest = 0;
    int resizes = 0;
    int moves = 0;
    v.box.on_resize = [&] {
        ++resizes;
        deepest = std::max(deepest, v.engine.nesting());
        v.box.rect.width += (++moves % 2) ? 1 : 2;
        v.engine.picture_box_resized();
    };
    EXPECT_NO_THROW(v.set_view_picture("big", {2000, 2000}));
    EXPECT_EQ(deepest, kMaxNesting);
    EXPECT_EQ(resizes, kMaxNesting);
    EXPECT_EQ(v.engine.nesting(), 0);
    EXPECT_TRUE(v.owner.redraw);
}

}  // namespace
}  // namespace korvix::view
