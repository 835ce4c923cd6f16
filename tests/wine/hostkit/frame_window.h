// The container's top-level window: a plain overlapped window that clips its
// children (the hosted controls) and tells its owner when it is resized.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/win/unique_resource.h"

namespace korvix::hostkit {

class frame_window {
public:
    // client_size: wanted client area in pixels. Throws hresult_error.
    frame_window(const std::wstring& title, SIZE client_size, bool visible = true);
    frame_window(const frame_window&) = delete;
    frame_window& operator=(const frame_window&) = delete;

    HWND hwnd() const noexcept { return hwnd_.get(); }
    RECT client_rect() const noexcept;
    // Called with the new client size on WM_SIZE.
    void on_size(std::function<void(SIZE)> handler) { size_handler_ = std::move(handler); }
    // Called on WM_CLOSE before the window is destroyed.
    void on_close(std::function<void()> handler) { close_handler_ = std::move(handler); }

private:
    static LRESULT CALLBACK window_proc(HWND, UINT, WPARAM, LPARAM);
    std::function<void(SIZE)> size_handler_;
    std::function<void()> close_handler_;
    unique_hwnd hwnd_;
};

// Dispatches every pending message of this thread (so the controls paint
// and lay out) and returns when the queue is empty.
void pump_messages();
// Keeps dispatching this thread's messages for a while (timers and paints
// that are due later get their turn).
void pump_messages_for(DWORD milliseconds);

}  // namespace korvix::hostkit
