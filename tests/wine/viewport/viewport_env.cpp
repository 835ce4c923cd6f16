#include "tests/wine/viewport/viewport_env.h"

#include "tests/wine/hostkit/atl_host.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::viewport_test {

std::string container_name(const ::testing::TestParamInfo<container>& info) {
    return info.param == container::own ? "OwnContainer" : "AtlContainer";
}

hosted_twain::hosted_twain(HWND frame, container kind, const RECT& pos) {
    if (kind == container::own) {
        own_ = hostkit::host_new_control(frame, pos);
        control_ = com_ptr<IDispatch>(own_->dispatch());
    } else {
        // atl.dll registers its window class once per process: one host for all.
        static const hostkit::atl_host atl;
        ax_window_ = atl.create(frame, pos, L"Korvix.Twain");
        if (ax_window_) control_ = atl.control(ax_window_.get()).query<IDispatch>(IID_IDispatch);
        if (!control_) throw hresult_error(E_FAIL, "AtlAxWin could not host Korvix.Twain");
    }
    hostkit::pump_messages();
    const unique_variant hwnd = ViewportTest::get(control_.get(), DISPID_Twain_hwnd);
    windows_ = hostkit::find_view_windows(reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd->lVal)));
}

void hosted_twain::move(const RECT& pos) {
    if (own_)
        EXPECT_EQ(own_->move(pos), S_OK);
    else
        ::MoveWindow(ax_window_.get(), pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, TRUE);
    hostkit::pump_messages();
}

hosted_twain::~hosted_twain() {
    control_.reset();
    own_.reset();  // tears the control down
    ax_window_.reset();
    hostkit::pump_messages();
}

void scroll(const hostkit::view_windows& w, bool vertical, WORD code, SHORT position) {
    ::SendMessageW(w.surface, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(position)),
                   reinterpret_cast<LPARAM>(vertical ? w.vscroll : w.hscroll));
}

POINT scroll_position(const hostkit::view_windows& w) {
    return POINT{hostkit::read_scroll_range(w.hscroll).position, hostkit::read_scroll_range(w.vscroll).position};
}

hostkit::window_capture shown(const hostkit::view_windows& w) {
    hostkit::pump_messages();
    ::UpdateWindow(w.picture_box);
    return hostkit::capture_window(w.picture_box);
}

::testing::AssertionResult shows_gradient_part(const hostkit::window_capture& capture, SIZE picture, POINT origin) {
    if (capture.width == 0) return ::testing::AssertionFailure() << "nothing could be read back";
    for (int y = 0; y < capture.height; ++y)
        for (int x = 0; x < capture.width; ++x) {
            const int px = origin.x + x, py = origin.y + y;
            const bool inside = px >= 0 && py >= 0 && px < picture.cx && py < picture.cy;
            const COLORREF expected = inside ? hostkit::gradient_pixel(px, py, picture.cx, picture.cy) : RGB(0, 0, 0);
            if (capture.at(x, y) != expected)
                return ::testing::AssertionFailure() << "box pixel " << x << "," << y << " is 0x" << std::hex
                                                     << capture.at(x, y) << ", expected 0x" << expected;
        }
    return ::testing::AssertionSuccess();
}

}  // namespace korvix::viewport_test
