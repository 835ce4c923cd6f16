// What the picture box shows as the user scrolls: the part of the picture at
// both bars' positions, always the box's size, black where it reaches past
// the picture; Refresh with AutoRedraw off; the drawing a container gets.
#include "tests/wine/viewport/viewport_env.h"

#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::viewport_test {
namespace {

struct scroll_step {
    bool vertical;
    WORD code;
    SHORT position;
};

// The box is 316 x 219 with a horizontal bar, 299 x 219 with both (the
// sunken edge takes 2 pixels a side, a bar 17).
const struct {
    const char* name;
    SIZE picture;
    std::vector<scroll_step> steps;
    POINT origin;  // picture pixel at the box's top-left afterwards
} kScrolling[] = {
    {"one bar's thumb, the other's arrow and page",
     {1000, 600},
     {{false, SB_THUMBTRACK, 120}, {false, SB_THUMBTRACK, 300}, {false, SB_ENDSCROLL, 0}, {true, SB_LINEDOWN, 0},
      {true, SB_PAGEDOWN, 0}},
     {300, 110}},
    {"to the far corner", {1000, 600}, {{false, SB_BOTTOM, 0}, {true, SB_BOTTOM, 0}}, {701, 381}},
    // One bar only: the strip beside the picture is black, not BackColor,
    // and the hidden bar's position (0) counts too.
    {"narrow and tall", {150, 900}, {{true, SB_THUMBTRACK, 500}}, {0, 500}},
    {"wide and short", {900, 120}, {{false, SB_PAGEDOWN, 0}}, {100, 0}},
    // A step while the thumb is dragged ends the drag; the thumb then comes
    // back to where the drag began. And a final position that no track
    // showed. The picture follows the bar's value every time.
    {"a drag, an arrow, the thumb back",
     {1000, 600},
     {{true, SB_THUMBTRACK, 300}, {true, SB_LINEDOWN, 0}, {true, SB_THUMBPOSITION, 0}},
     {0, 0}},
    {"a drag ending where no track was", {1000, 600}, {{false, SB_THUMBTRACK, 500}, {false, SB_THUMBPOSITION, 0}}, {0, 0}},
};

class ScrollingInContainers : public ViewportInContainers {};
using Scrolling = ViewportTest;

TEST_P(ScrollingInContainers, ShowsThePartAtBothBarsPositions) {
    for (const auto& c : kScrolling) {
        hosted_twain twain(frame_->hwnd(), GetParam());
        put(twain.control(), DISPID_Twain_BackColor, unique_variant::i4(0x00336699));
        putref(twain.control(), DISPID_Twain_Picture, hostkit::make_gradient_picture(c.picture.cx, c.picture.cy).get());
        for (const scroll_step& s : c.steps) scroll(twain.windows(), s.vertical, s.code, s.position);
        // A shown bar's thumb stands at the part shown.
        const POINT bars = scroll_position(twain.windows());
        if (::IsWindowVisible(twain.windows().hscroll)) EXPECT_EQ(bars.x, c.origin.x) << c.name;
        if (::IsWindowVisible(twain.windows().vscroll)) EXPECT_EQ(bars.y, c.origin.y) << c.name;
        EXPECT_TRUE(shows_gradient_part(shown(twain.windows()), c.picture, c.origin)) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, ScrollingInContainers, ::testing::Values(container::own, container::atl),
                         container_name);

// Refresh with AutoRedraw False shows the new picture with its bars and
// leaves AutoRedraw False.
TEST_F(Scrolling, RefreshWithAutoRedrawOffShowsThePictureAndKeepsTheSetting) {
    hosted_twain twain(frame_->hwnd(), container::own);
    put(twain.control(), DISPID_Twain_AutoRedraw, unique_variant::boolean(false));
    putref(twain.control(), DISPID_Twain_Picture, hostkit::make_gradient_picture(1000, 600).get());
    EXPECT_EQ(hostkit::dispatch_call(twain.control(), DISPID_Twain_Refresh).hr, S_OK);
    EXPECT_EQ(get(twain.control(), DISPID_Twain_AutoRedraw)->boolVal, VARIANT_FALSE);
    scroll(twain.windows(), false, SB_THUMBTRACK, 200);  // a bar Refresh showed works
    EXPECT_TRUE(shows_gradient_part(shown(twain.windows()), SIZE{1000, 600}, POINT{200, 0}));
}

// IViewObject::Draw gives a container what the window shows: the picture
// box's part and the scroll bar with its thumb where it is, pixel for pixel.
TEST_F(Scrolling, ViewObjectDrawsWhatTheWindowShowsThumbIncluded) {
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    putref(twain.control(), DISPID_Twain_Picture, hostkit::make_gradient_picture(1200, 200).get());
    com_ptr<IViewObject> view = com_ptr<IDispatch>(twain.control()).query<IViewObject>(IID_IViewObject);
    ASSERT_TRUE(view);
    for (const SHORT position : {0, 440, 884}) {
        scroll(w, false, SB_THUMBTRACK, position);
        shown(w);
        ::UpdateWindow(w.hscroll);
        const hostkit::window_capture window = hostkit::capture_window(w.surface);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), window.width, -window.height, 1, 32, BI_RGB};
        void* bits = nullptr;
        unique_hbitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        unique_hdc dc(::CreateCompatibleDC(nullptr));
        select_scope selected(dc.get(), dib.get());
        RECTL bounds{0, 0, window.width, window.height};
        ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(), &bounds, nullptr, nullptr, 0),
                  S_OK);
        ::GdiFlush();
        const auto* drawn = static_cast<const DWORD*>(bits);
        for (RECT part : {hostkit::child_rect_pixels(w.picture_box), hostkit::child_rect_pixels(w.hscroll)}) {
            ::OffsetRect(&part, 2, 2);  // the sunken edge
            for (int y = part.top; y < part.bottom; ++y)
                for (int x = part.left; x < part.right; ++x)
                    ASSERT_EQ(drawn[y * window.width + x] & 0xFFFFFF, window.pixels[y * window.width + x])
                        << "thumb at " << position << ", pixel " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace korvix::viewport_test
