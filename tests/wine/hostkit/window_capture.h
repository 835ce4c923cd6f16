// Reads back what a window shows (BitBlt from its window DC into a 32-bit
// top-down DIB) and saves such a capture as PNG through GDI+.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace korvix::hostkit {

struct window_capture {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, top-down
    // COLORREF of pixel (x, y); CLR_INVALID outside.
    COLORREF at(int x, int y) const noexcept;
};

// The whole window (non-client area included) as it is on screen now.
// Returns an empty capture on failure.
window_capture capture_window(HWND hwnd);

// Writes the capture as a PNG file. Returns the GDI+ status (0 = written)
// or -1 when GDI+ or its PNG encoder is not available.
int save_png(const window_capture& capture, const std::wstring& path);

}  // namespace korvix::hostkit
