// The registered control on a form, in our container or in Wine's ATL one,
// with what a host has at hand to drive and watch its view: its inner
// windows, the scroll bars' own messages and what the picture box shows.
// The fixture is the control suites' own.
#pragma once

#include "tests/wine/control/control_test_env.h"
#include "tests/wine/hostkit/event_sink.h"
#include "tests/wine/hostkit/view_windows.h"
#include "tests/wine/hostkit/window_capture.h"

namespace korvix::viewport_test {

using hostkit::unique_variant;

enum class container { own, atl };

// One control on the form, BorderStyle 1, 320 x 240 pixels at (0, 0) unless told.
class hosted_twain {
public:
    hosted_twain(HWND frame, container kind, const RECT& pos = RECT{0, 0, 320, 240});
    // The container lets go of the control: deactivation, Close, last release.
    ~hosted_twain();
    hosted_twain(const hosted_twain&) = delete;
    hosted_twain& operator=(const hosted_twain&) = delete;

    IDispatch* control() const noexcept { return control_.get(); }
    const hostkit::view_windows& windows() const noexcept { return windows_; }
    // The container gives the control a new rectangle (pixels).
    void move(const RECT& pos);

private:
    std::unique_ptr<hostkit::hosted_control> own_;
    unique_hwnd ax_window_;
    com_ptr<IDispatch> control_;
    hostkit::view_windows windows_;
};

// The scroll bar's own notification to its parent, as the user's action on
// the bar sends it: SB_LINEDOWN, SB_PAGEDOWN, SB_THUMBTRACK (with position)...
void scroll(const hostkit::view_windows& w, bool vertical, WORD code, SHORT position = 0);
POINT scroll_position(const hostkit::view_windows& w);

// What the picture box shows now (painted first), 0x00RRGGBB per pixel.
hostkit::window_capture shown(const hostkit::view_windows& w);

// Every pixel the picture box shows equals the gradient picture of the given
// size seen from origin; black beyond the picture.
::testing::AssertionResult shows_gradient_part(const hostkit::window_capture& capture, SIZE picture, POINT origin);

// A frame window, and property access that fails the test on error.
using ViewportTest = test::ControlTest;

class ViewportInContainers : public ViewportTest, public ::testing::WithParamInterface<container> {};
std::string container_name(const ::testing::TestParamInfo<container>& info);

}  // namespace korvix::viewport_test
