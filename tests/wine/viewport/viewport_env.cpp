#include "tests/wine/viewport/viewport_env.h"

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::viewport_test {

std::string container_name(const ::testing::TestParamInfo<container>& info) {
    return info.param == container::own ? "OwnContainer" : "AtlContainer";
}

hosted_twain::hosted_twain(HWND frame, container kind, const RECT& pos) : kind_(kind) {
    if (kind == container::own) {
        own_ = hostkit::host_new_control(frame, pos);
        control_ = com_ptr<IDispatch>(own_->dispatch());
    } else {
        // atl.dll registers its window class once per process: one host for all.
        static const hostkit::atl_host atl;
        ax_window_ = atl.create(frame, pos, L"Korvix.Twain");
        if (!ax_window_) throw hresult_error(E_FAIL, "AtlAxWin could not host Korvix.Twain");
        control_ = atl.control(ax_window_.get()).query<IDispatch>(IID_IDispatch);
        if (!control_) throw hresult_error(E_NOINTERFACE, "the ATL window holds no control");
    }
    hostkit::pump_messages();
    const unique_variant hwnd = get(control_.get(), DISPID_Twain_hwnd);
    windows_ = hostkit::find_view_windows(reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd->lVal)));
}

void hosted_twain::move(const RECT& pos) {
    if (own_)
        EXPECT_EQ(own_->move(pos), S_OK);
    else
        ::MoveWindow(ax_window_.get(), pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, TRUE);
    hostkit::pump_messages();
}

void hosted_twain::release() noexcept {
    control_.reset();
    if (own_) own_->teardown();
    own_.reset();
    ax_window_.reset();
    hostkit::pump_messages();
}

unique_variant get(IDispatch* control, DISPID id) {
    hostkit::dispatch_result r = hostkit::dispatch_get(control, id);
    EXPECT_EQ(r.hr, S_OK) << "get of DISPID " << id << ": " << hostkit::describe(r);
    return std::move(r.value);
}

void put(IDispatch* control, DISPID id, const unique_variant& value) {
    hostkit::dispatch_result r = hostkit::dispatch_put(control, id, *value.get());
    EXPECT_EQ(r.hr, S_OK) << "put of DISPID " << id << ": " << hostkit::describe(r);
}

void set_picture(IDispatch* control, IPictureDisp* picture) {
    hostkit::dispatch_result r = hostkit::dispatch_putref(control, DISPID_Twain_Picture, picture);
    EXPECT_EQ(r.hr, S_OK) << "Picture: " << hostkit::describe(r);
}

hostkit::dispatch_result call(IDispatch* control, DISPID id) { return hostkit::dispatch_call(control, id); }

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
                return ::testing::AssertionFailure()
                       << "box pixel " << x << "," << y << " (picture " << px << "," << py << ") is 0x" << std::hex
                       << capture.at(x, y) << ", expected 0x" << expected;
        }
    return ::testing::AssertionSuccess();
}

void ViewportTest::SetUp() {
    frame_ = std::make_unique<hostkit::frame_window>(L"Korvix viewport test", SIZE{640, 480});
    hostkit::pump_messages();
}

void ViewportTest::TearDown() {
    hostkit::pump_messages();
    frame_.reset();
}

}  // namespace korvix::viewport_test
