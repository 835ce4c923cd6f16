// The control's inner windows as a host finds them: the picture box (the
// control's hwnd property), its parent the control surface, and the two
// scroll bars among the surface's children. Geometry is read back from the
// real windows and expressed in the control's units.
#pragma once

#include <windows.h>

namespace korvix::hostkit {

struct view_windows {
    HWND surface = nullptr;
    HWND picture_box = nullptr;
    HWND hscroll = nullptr;
    HWND vscroll = nullptr;
};

// picture_box: the HWND the control reports as hwnd.
view_windows find_view_windows(HWND picture_box);

struct twips_rect {
    LONG left = 0, top = 0, width = 0, height = 0;
};

// A child's outer rectangle in its parent's client coordinates, in twips.
twips_rect child_rect_twips(HWND child);
// Same in pixels.
RECT child_rect_pixels(HWND child);

// Pixels per inch of the screen, and the twips one pixel spans.
int screen_dpi();
LONG pixels_to_twips(LONG pixels);

struct scroll_range {
    int min = 0;
    int max_position = 0;  // the largest position the thumb reaches
    int page = 0;
    int position = 0;
};
scroll_range read_scroll_range(HWND scroll_bar);

}  // namespace korvix::hostkit
