// The sample host's scan step (--scan): the control scans one page from the
// default TWAIN source (the virtual scanner in the project's prefix) and
// shows it; the screenshot check then looks for the page's own pixels.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "tests/wine/hostkit/window_capture.h"

namespace korvix::sample {

constexpr double kScanDpi = 50;  // bars, ramp and ruler fit the form

// Colour, kScanDpi, no source dialog. Returns 0, or prints why not and
// returns non-zero.
int scan_page(IDispatch* control);

// The capture shows the top-left part of the virtual scanner's page in the
// control's picture box.
bool shows_scanned_page(const hostkit::window_capture& shot, HWND frame, IDispatch* control);

// Where the control's picture box lies in a capture of the frame window.
bool picture_box_offset(HWND frame, IDispatch* control, POINT& offset);

}  // namespace korvix::sample
