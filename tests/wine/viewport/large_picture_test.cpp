// A 1200-dpi A4 colour page (9920 x 14032, 24-bit: 418 MB) in the 32-bit
// process: set, scrolled to every corner, refreshed and resized, with the
// process's committed memory staying near the page itself. Converting the
// whole page at every step (page, 24-bit buffer and a DIB section at once,
// about 1.25 GB) would not fit.
#include "tests/wine/viewport/viewport_env.h"

#include <cstdio>

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::viewport_test {
namespace {

using LargePicture = ViewportTest;

double megabytes(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

TEST_F(LargePicture, A4At1200DpiScrollsToEveryCornerInThe32BitProcess) {
    const SIZE page{9920, 14032};
    const size_t page_bytes = size_t(page.cx * 3 + 3) / 4 * 4 * size_t(page.cy);
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    const size_t start = hostkit::committed_private_bytes();
    size_t most = 0;
    const auto sample = [&](const char* after) {
        const size_t now = hostkit::committed_private_bytes();
        most = std::max(most, now);
        std::printf("committed after %s: %.1f MB\n", after, megabytes(now));
    };
    std::printf("committed at the start: %.1f MB; the page holds %.1f MB\n", megabytes(start), megabytes(page_bytes));
    {
        com_ptr<IPictureDisp> picture = hostkit::make_gradient_picture(page.cx, page.cy);
        sample("making the page");
        set_picture(twain.control(), picture.get());
    }
    sample("setting it");

    const struct {
        WORD horizontal, vertical;
        POINT origin;  // the box is 299 x 219 with both bars
    } corners[] = {{SB_BOTTOM, SB_TOP, {9621, 0}},
                   {SB_BOTTOM, SB_BOTTOM, {9621, 13813}},
                   {SB_TOP, SB_BOTTOM, {0, 13813}},
                   {SB_TOP, SB_TOP, {0, 0}}};
    for (const auto& c : corners) {
        scroll(w, false, c.horizontal);
        scroll(w, true, c.vertical);
        EXPECT_TRUE(shows_gradient_part(shown(w), page, c.origin)) << c.origin.x << "," << c.origin.y;
        sample("scrolling to a corner");
    }
    scroll(w, false, SB_THUMBTRACK, 4800);
    scroll(w, true, SB_THUMBTRACK, 7000);
    EXPECT_EQ(call(twain.control(), DISPID_Twain_Refresh).hr, S_OK);
    EXPECT_TRUE(shows_gradient_part(shown(w), page, POINT{4800, 7000}));
    sample("Refresh");
    twain.move(RECT{0, 0, 620, 460});
    EXPECT_TRUE(shows_gradient_part(shown(w), page, scroll_position(w)));
    sample("resizing");
    RecordProperty("committed_start_mb", static_cast<int>(megabytes(start)));
    RecordProperty("committed_most_mb", static_cast<int>(megabytes(most)));
    // The page, and besides it no more than a few visible areas and the
    // process's own bookkeeping.
    EXPECT_LT(most, start + page_bytes + (32u << 20));
}

}  // namespace
}  // namespace korvix::viewport_test
