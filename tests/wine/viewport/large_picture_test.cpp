// A 1200-dpi A4 colour page (9920 x 14032, 24-bit: 398 MB) in the 32-bit
// process: set, scrolled to every corner, refreshed and resized, with the
// process's committed memory reported and staying near the page itself.
// Converting the whole page at every step (page, 24-bit buffer and a DIB
// section at once, about 1.25 GB) would not fit.
#include "tests/wine/viewport/viewport_env.h"

#include <cstdio>

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::viewport_test {
namespace {

using LargePicture = ViewportTest;

TEST_F(LargePicture, A4At1200DpiScrollsToEveryCornerInThe32BitProcess) {
    const SIZE page{9920, 14032};
    const size_t page_bytes = size_t(page.cx * 3 + 3) / 4 * 4 * size_t(page.cy);
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    const size_t start = hostkit::committed_private_bytes();
    size_t most = 0;
    const auto sample = [&](const char* after) {  // the process's committed memory, reported
        most = std::max(most, hostkit::committed_private_bytes());
        std::printf("committed after %s: %.1f MB\n", after, hostkit::committed_private_bytes() / 1048576.0);
    };
    sample("starting");
    putref(twain.control(), DISPID_Twain_Picture, hostkit::make_gradient_picture(page.cx, page.cy).get());
    sample("setting the page");
    for (const POINT corner : {POINT{9621, 0}, POINT{9621, 13813}, POINT{0, 13813}, POINT{0, 0}}) {
        scroll(w, false, corner.x ? SB_BOTTOM : SB_TOP);  // the box is 299 x 219 with both bars
        scroll(w, true, corner.y ? SB_BOTTOM : SB_TOP);
        EXPECT_TRUE(shows_gradient_part(shown(w), page, corner)) << corner.x << "," << corner.y;
        sample("scrolling to a corner");
    }
    scroll(w, false, SB_THUMBTRACK, 4800);
    scroll(w, true, SB_THUMBTRACK, 7000);
    EXPECT_EQ(hostkit::dispatch_call(twain.control(), DISPID_Twain_Refresh).hr, S_OK);
    EXPECT_TRUE(shows_gradient_part(shown(w), page, POINT{4800, 7000}));
    sample("Refresh");
    twain.move(RECT{0, 0, 620, 460});
    EXPECT_TRUE(shows_gradient_part(shown(w), page, scroll_position(w)));
    sample("resizing");
    // The page, and besides it no more than a few visible areas and the
    // process's own bookkeeping.
    EXPECT_LT(most, start + page_bytes + (32u << 20));
}

}  // namespace
}  // namespace korvix::viewport_test
