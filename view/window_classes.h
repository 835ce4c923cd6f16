// The view's own window classes (surface, picture box, parking window).
// Registered while at least one view lives and unregistered with the last,
// so an unloaded module leaves no class pointing into freed code.
#pragma once

#include <windows.h>

namespace korvix {

// A window object that receives its window's messages.
class MessageTarget {
public:
    virtual LRESULT handle_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) = 0;
    // The window is gone (also when a parent destroyed it): forget the handle.
    virtual void window_destroyed() noexcept = 0;

protected:
    ~MessageTarget() = default;
};

enum class ViewWindowClass { parking, surface, picture_box };

class WindowClassesInUse {
public:
    WindowClassesInUse();  // throws hresult_error when registration fails
    ~WindowClassesInUse();
    WindowClassesInUse(const WindowClassesInUse&) = delete;
    WindowClassesInUse& operator=(const WindowClassesInUse&) = delete;
};

HINSTANCE view_module() noexcept;

// Creates a window of one of the classes, bound to target. Throws hresult_error.
HWND create_view_window(ViewWindowClass kind, DWORD ex_style, DWORD style, const RECT& rect, HWND parent,
                        MessageTarget& target);

}  // namespace korvix
