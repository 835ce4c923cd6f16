#include "tests/wine/hostkit/view_windows.h"

#include "common/win/unique_resource.h"

namespace korvix::hostkit {
namespace {

struct scroll_search {
    view_windows* found;
};

BOOL CALLBACK find_bars(HWND child, LPARAM param) {
    auto* found = reinterpret_cast<view_windows*>(param);
    if (::GetParent(child) != found->surface) return TRUE;  // direct children only
    wchar_t cls[32] = {};
    ::GetClassNameW(child, cls, 32);
    if (::lstrcmpiW(cls, L"ScrollBar") != 0) return TRUE;
    const LONG style = ::GetWindowLongW(child, GWL_STYLE);
    if (style & SBS_VERT)
        found->vscroll = child;
    else
        found->hscroll = child;
    return TRUE;
}

}  // namespace

view_windows find_view_windows(HWND picture_box) {
    view_windows found;
    found.picture_box = picture_box;
    found.surface = ::GetParent(picture_box);
    if (found.surface) ::EnumChildWindows(found.surface, find_bars, reinterpret_cast<LPARAM>(&found));
    return found;
}

int screen_dpi() {
    window_dc dc(nullptr);
    return dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSX) : 96;
}

LONG pixels_to_twips(LONG pixels) {
    return ::MulDiv(pixels, 1440, screen_dpi());
}

RECT child_rect_pixels(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

twips_rect child_rect_twips(HWND child) {
    const RECT r = child_rect_pixels(child);
    return twips_rect{pixels_to_twips(r.left), pixels_to_twips(r.top), pixels_to_twips(r.right - r.left),
                      pixels_to_twips(r.bottom - r.top)};
}

scroll_range read_scroll_range(HWND scroll_bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    scroll_range range;
    if (!::GetScrollInfo(scroll_bar, SB_CTL, &info)) return range;
    range.min = info.nMin;
    range.page = static_cast<int>(info.nPage);
    // With a page size the thumb stops a page short of nMax.
    range.max_position = info.nPage ? info.nMax - static_cast<int>(info.nPage) + 1 : info.nMax;
    range.position = info.nPos;
    return range;
}

}  // namespace korvix::hostkit
