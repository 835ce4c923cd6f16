#include "tests/wine/hostkit/frame_window.h"

namespace korvix::hostkit {
namespace {

constexpr wchar_t kFrameClass[] = L"KorvixHostFrame";

ATOM register_frame_class(WNDPROC proc) {
    static const ATOM atom = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFrameClass;
        return ::RegisterClassExW(&wc);
    }();
    return atom;
}

}  // namespace

frame_window::frame_window(const std::wstring& title, SIZE client_size, bool visible) {
    if (!register_frame_class(&frame_window::window_proc))
        throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()), "RegisterClassEx failed");
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT r{0, 0, client_size.cx, client_size.cy};
    ::AdjustWindowRectEx(&r, style, FALSE, 0);
    HWND h = ::CreateWindowExW(0, kFrameClass, title.c_str(), style, 40, 40, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (!h) throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()), "CreateWindowEx of the frame failed");
    hwnd_.reset(h);
    if (visible) {
        ::ShowWindow(h, SW_SHOWNORMAL);
        ::UpdateWindow(h);
    }
}

RECT frame_window::client_rect() const noexcept {
    RECT r{};
    ::GetClientRect(hwnd_.get(), &r);
    return r;
}

LRESULT CALLBACK frame_window::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<frame_window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_SIZE:
        if (self && self->size_handler_) self->size_handler_(SIZE{LOWORD(lp), HIWORD(lp)});
        return 0;
    case WM_CLOSE:
        if (self && self->close_handler_) self->close_handler_();
        return 0;  // the owner decides when the window goes (its unique_hwnd)
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void pump_messages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void pump_messages_for(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < milliseconds) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pump_messages();
    }
}

}  // namespace korvix::hostkit
