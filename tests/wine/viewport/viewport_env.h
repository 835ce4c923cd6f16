// The registered control on a form, in our container or in Wine's ATL one,
// with what a host has at hand to drive and watch its view: its inner
// windows, the scroll bars' own messages, mouse and key messages, a capture
// of what the picture box shows, and event sinks on its connection point.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/atl_host.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/event_sink.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/property_notify_recorder.h"
#include "tests/wine/hostkit/unique_variant.h"
#include "tests/wine/hostkit/view_windows.h"
#include "tests/wine/hostkit/window_capture.h"

namespace korvix::viewport_test {

using hostkit::unique_variant;

enum class container { own, atl };
std::string container_name(const ::testing::TestParamInfo<container>& info);

// One control on the form: 320 x 240 pixels at (0, 0), BorderStyle 1.
class hosted_twain {
public:
    hosted_twain(HWND frame, container kind, const RECT& pos = RECT{0, 0, 320, 240});
    ~hosted_twain() { release(); }
    hosted_twain(const hosted_twain&) = delete;
    hosted_twain& operator=(const hosted_twain&) = delete;

    IDispatch* control() const noexcept { return control_.get(); }
    const hostkit::view_windows& windows() const noexcept { return windows_; }
    // The container gives the control a new rectangle (pixels).
    void move(const RECT& pos);
    // The container lets go of the control: deactivation, Close, last release.
    void release() noexcept;
    bool released() const noexcept { return !control_; }

private:
    container kind_;
    std::unique_ptr<hostkit::hosted_control> own_;
    unique_hwnd ax_window_;
    com_ptr<IDispatch> control_;
    hostkit::view_windows windows_;
};

// Typed access through IDispatch; failures fail the test.
unique_variant get(IDispatch* control, DISPID id);
void put(IDispatch* control, DISPID id, const unique_variant& value);
void set_picture(IDispatch* control, IPictureDisp* picture);
hostkit::dispatch_result call(IDispatch* control, DISPID id);

// The scroll bar's own notification to its parent, as the user's action on
// the bar sends it: SB_LINEDOWN, SB_PAGEDOWN, SB_THUMBTRACK (with position)...
void scroll(const hostkit::view_windows& w, bool vertical, WORD code, SHORT position = 0);
// Scroll-bar positions as the bars hold them.
POINT scroll_position(const hostkit::view_windows& w);

// What the picture box shows now (painted first), 0x00RRGGBB per pixel.
hostkit::window_capture shown(const hostkit::view_windows& w);

// Compares every pixel the picture box shows with the gradient picture of
// the given size seen from (left, top); black beyond the picture.
::testing::AssertionResult shows_gradient_part(const hostkit::window_capture& capture, SIZE picture, POINT origin);

class ViewportTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<hostkit::frame_window> frame_;
};

class ViewportInContainers : public ViewportTest, public ::testing::WithParamInterface<container> {};

}  // namespace korvix::viewport_test
