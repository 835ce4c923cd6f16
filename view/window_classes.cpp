#include "view/window_classes.h"

#include "common/win/unique_resource.h"

namespace korvix {
namespace {

const wchar_t* class_name(ViewWindowClass kind) noexcept {
    switch (kind) {
    case ViewWindowClass::parking: return L"KorvixViewParking";
    case ViewWindowClass::surface: return L"KorvixViewSurface";
    case ViewWindowClass::picture_box: return L"KorvixViewPictureBox";
    }
    return L"";
}

LRESULT CALLBACK view_window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* target = reinterpret_cast<MessageTarget*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (target) target->window_destroyed();
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (!target) return ::DefWindowProcW(hwnd, msg, wp, lp);
    // Nothing may unwind into the window manager.
    try {
        return target->handle_message(hwnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

int g_users = 0;

void unregister_all() noexcept {
    for (auto kind : {ViewWindowClass::parking, ViewWindowClass::surface, ViewWindowClass::picture_box})
        ::UnregisterClassW(class_name(kind), view_module());
}

}  // namespace

HINSTANCE view_module() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&view_window_proc), &module);
    return module;
}

WindowClassesInUse::WindowClassesInUse() {
    if (g_users++ > 0) return;
    unregister_all();  // a stale registration of an earlier load of this module
    struct ClassTraits {
        ViewWindowClass kind;
        UINT style;
        LPCWSTR cursor;
    };
    // The picture box keeps one DC for its life (its hDC) and sees double clicks.
    const ClassTraits classes[] = {{ViewWindowClass::parking, 0, IDC_ARROW},
                                   {ViewWindowClass::surface, CS_DBLCLKS, IDC_ARROW},
                                   {ViewWindowClass::picture_box, CS_OWNDC | CS_DBLCLKS, IDC_ARROW}};
    for (const ClassTraits& traits : classes) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = traits.style;
        wc.lpfnWndProc = view_window_proc;
        wc.hInstance = view_module();
        wc.hCursor = ::LoadCursorW(nullptr, traits.cursor);
        wc.lpszClassName = class_name(traits.kind);
        if (!::RegisterClassExW(&wc)) {
            const HRESULT hr = HRESULT_FROM_WIN32(::GetLastError());
            unregister_all();
            --g_users;
            throw hresult_error(hr, "The view's window classes could not be registered.");
        }
    }
}

WindowClassesInUse::~WindowClassesInUse() {
    if (--g_users == 0) unregister_all();
}

HWND create_view_window(ViewWindowClass kind, DWORD ex_style, DWORD style, const RECT& rect, HWND parent,
                        MessageTarget& target) {
    HWND hwnd = ::CreateWindowExW(ex_style, class_name(kind), L"", style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, view_module(),
                                  &target);
    if (!hwnd) {
        const DWORD err = ::GetLastError();
        throw hresult_error(err ? HRESULT_FROM_WIN32(err) : E_FAIL, "The view's window could not be created.");
    }
    return hwnd;
}

}  // namespace korvix
