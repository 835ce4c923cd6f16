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

struct scrolling_case {
    const char* name;
    SIZE picture;
    std::vector<scroll_step> steps;
    POINT expected_origin;  // picture pixel at the box's top-left afterwards
};

// The box is 316 x 219 with a horizontal bar, 299 x 219 with both (the
// sunken edge takes 2 pixels a side, a bar 17).
const scrolling_case kScrolling[] = {
    {"thumb dragged across", {1000, 600}, {{false, SB_THUMBTRACK, 120}, {false, SB_THUMBTRACK, 450}}, {450, 0}},
    {"vertical moves keep the horizontal position",
     {1000, 600},
     {{false, SB_THUMBTRACK, 300}, {false, SB_ENDSCROLL, 0}, {true, SB_LINEDOWN, 0}, {true, SB_PAGEDOWN, 0}},
     {300, 110}},
    {"to the far corner", {1000, 600}, {{false, SB_BOTTOM, 0}, {true, SB_BOTTOM, 0}}, {701, 381}},
    // Taller than the box but narrower: only the vertical bar, and the strip
    // right of the picture is black, not BackColor.
    {"narrow and tall, black strip", {150, 900}, {{true, SB_THUMBTRACK, 500}}, {0, 500}},
    // Wider only: the hidden vertical bar's position (0) is used too.
    {"wide and short, black strip", {900, 120}, {{false, SB_PAGEDOWN, 0}}, {100, 0}},
};

class ScrollingInContainers : public ViewportInContainers {};
using Scrolling = ViewportTest;

TEST_P(ScrollingInContainers, ShowsThePartAtBothBarsPositions) {
    for (const scrolling_case& c : kScrolling) {
        SCOPED_TRACE(c.name);
        hosted_twain twain(frame_->hwnd(), GetParam());
        put(twain.control(), DISPID_Twain_BackColor, unique_variant::i4(0x00336699));
        set_picture(twain.control(), hostkit::make_gradient_picture(c.picture.cx, c.picture.cy).get());
        for (const scroll_step& s : c.steps) scroll(twain.windows(), s.vertical, s.code, s.position);
        const POINT at = scroll_position(twain.windows());
        if (::IsWindowVisible(twain.windows().hscroll)) {
            EXPECT_EQ(at.x, c.expected_origin.x);
        }
        if (::IsWindowVisible(twain.windows().vscroll)) {
            EXPECT_EQ(at.y, c.expected_origin.y);
        }
        EXPECT_TRUE(shows_gradient_part(shown(twain.windows()), c.picture, c.expected_origin));
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, ScrollingInContainers, ::testing::Values(container::own, container::atl),
                         container_name);

// AutoRedraw False: a new picture is not shown and gets no bars until
// Refresh, which shows it as a layout with AutoRedraw True would and leaves
// AutoRedraw False, also when the layout fails.
TEST_F(Scrolling, RefreshWithAutoRedrawOffShowsThePictureAndRestoresTheSetting) {
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    const SIZE small{100, 80}, large{1000, 600};
    set_picture(twain.control(), hostkit::make_gradient_picture(small.cx, small.cy).get());
    const hostkit::window_capture before = shown(w);
    put(twain.control(), DISPID_Twain_AutoRedraw, unique_variant::boolean(false));
    set_picture(twain.control(), hostkit::make_gradient_picture(large.cx, large.cy).get());
    EXPECT_EQ(shown(w).pixels, before.pixels);
    EXPECT_FALSE(::IsWindowVisible(w.hscroll));

    EXPECT_EQ(call(twain.control(), DISPID_Twain_Refresh).hr, S_OK);
    EXPECT_TRUE(::IsWindowVisible(w.hscroll));
    EXPECT_TRUE(::IsWindowVisible(w.vscroll));
    EXPECT_TRUE(shows_gradient_part(shown(w), large, POINT{0, 0}));
    EXPECT_EQ(get(twain.control(), DISPID_Twain_AutoRedraw)->boolVal, VARIANT_FALSE);

    // A bar that Refresh made visible stays usable.
    scroll(w, false, SB_THUMBTRACK, 200);
    EXPECT_TRUE(shows_gradient_part(shown(w), large, POINT{200, 0}));
}

// A picture whose handle cannot be read fails the layout inside Refresh:
// the error reaches the caller and AutoRedraw keeps the host's value.
class failing_picture final : public IPictureDisp {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IPictureDisp) return E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // Reads as an empty picture (Handle 0) until told to fail, so the
    // control accepts it and only a later layout fails on it.
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (failing || !result) return E_ACCESSDENIED;
        V_VT(result) = VT_I4;
        V_I4(result) = 0;
        return S_OK;
    }
    bool failing = false;
};

TEST_F(Scrolling, RefreshRestoresAutoRedrawWhenTheLayoutFails) {
    hosted_twain twain(frame_->hwnd(), container::own);
    for (const bool auto_redraw : {false, true}) {
        put(twain.control(), DISPID_Twain_AutoRedraw, unique_variant::boolean(auto_redraw));
        failing_picture picture;
        ASSERT_EQ(hostkit::dispatch_putref(twain.control(), DISPID_Twain_Picture, &picture).hr, S_OK);
        picture.failing = true;  // measuring fails from now on
        EXPECT_TRUE(FAILED(call(twain.control(), DISPID_Twain_Refresh).hr));
        EXPECT_EQ(get(twain.control(), DISPID_Twain_AutoRedraw)->boolVal != VARIANT_FALSE, auto_redraw);
        set_picture(twain.control(), nullptr);
    }
}

// IViewObject::Draw gives a container what the window shows: the visible
// part of the picture, and the scroll bar with its thumb where it is.
TEST_F(Scrolling, ViewObjectDrawsWhatTheWindowShowsThumbIncluded) {
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    const SIZE picture{1200, 200};
    set_picture(twain.control(), hostkit::make_gradient_picture(picture.cx, picture.cy).get());
    com_ptr<IViewObject> view = com_ptr<IDispatch>(twain.control()).query<IViewObject>(IID_IViewObject);
    ASSERT_TRUE(view);
    RECT surface{};
    ::GetWindowRect(w.surface, &surface);
    std::vector<DWORD> previous_bar;
    for (const SHORT position : {0, 440, 884}) {
        SCOPED_TRACE(position);
        scroll(w, false, SB_THUMBTRACK, position);
        const hostkit::window_capture window = [&] {
            shown(w);
            ::UpdateWindow(w.hscroll);
            return hostkit::capture_window(w.surface);
        }();
        hostkit::window_capture drawn;
        drawn.width = window.width;
        drawn.height = window.height;
        {
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), drawn.width, -drawn.height, 1, 32, BI_RGB};
            void* bits = nullptr;
            unique_hbitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
            unique_hdc dc(::CreateCompatibleDC(nullptr));
            select_scope selected(dc.get(), dib.get());
            RECTL bounds{0, 0, drawn.width, drawn.height};
            ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(), &bounds, nullptr, nullptr,
                                 0),
                      S_OK);
            ::GdiFlush();
            const auto* p = static_cast<const DWORD*>(bits);
            drawn.pixels.assign(p, p + size_t(drawn.width) * size_t(drawn.height));
            for (DWORD& v : drawn.pixels) v &= 0x00FFFFFF;
        }
        // The picture box and the scroll bar, thumb included, pixel for pixel.
        for (RECT part : {hostkit::child_rect_pixels(w.picture_box), hostkit::child_rect_pixels(w.hscroll)}) {
            ::OffsetRect(&part, 2, 2);  // the sunken edge
            for (int y = part.top; y < part.bottom; ++y)
                for (int x = part.left; x < part.right; ++x)
                    ASSERT_EQ(drawn.at(x, y), window.at(x, y)) << "pixel " << x << "," << y;
        }
        // And the window's thumb really moved: the bar looks different each time.
        const RECT bar = hostkit::child_rect_pixels(w.hscroll);
        std::vector<DWORD> row;
        for (int x = bar.left; x < bar.right; ++x) row.push_back(window.at(x + 2, bar.top + 2 + 8));
        EXPECT_NE(row, previous_bar);
        previous_bar = row;
    }
}

}  // namespace
}  // namespace korvix::viewport_test
