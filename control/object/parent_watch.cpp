#include "control/object/parent_watch.h"

namespace korvix {

namespace {

// Per thread: the hook, and the watches it serves. Plain pointers, so the
// thread-local storage needs no destructor.
thread_local HHOOK t_hook = nullptr;
thread_local ParentWatch* t_first = nullptr;

}  // namespace

bool ParentWatch::start(HWND child) noexcept {
    stop();
    if (!child) return false;
    if (!t_hook) {
        t_hook = ::SetWindowsHookExW(WH_CBT, &ParentWatch::hook, nullptr, ::GetCurrentThreadId());
        if (!t_hook) return false;
    }
    child_ = child;
    next_ = t_first;
    t_first = this;
    linked_ = true;
    return true;
}

void ParentWatch::stop() noexcept {
    if (!linked_) return;
    unlink();
    if (!t_first && t_hook) {
        ::UnhookWindowsHookEx(t_hook);
        t_hook = nullptr;
    }
}

void ParentWatch::unlink() noexcept {
    for (ParentWatch** p = &t_first; *p; p = &(*p)->next_) {
        if (*p == this) {
            *p = next_;
            break;
        }
    }
    next_ = nullptr;
    child_ = nullptr;
    linked_ = false;
}

LRESULT CALLBACK ParentWatch::hook(int code, WPARAM wp, LPARAM lp) noexcept {
    const HHOOK self = t_hook;
    if (code == HCBT_DESTROYWND) {
        const HWND doomed = reinterpret_cast<HWND>(wp);
        // A listener stops its own watch (and may stop others): look again
        // from the start after each one is told.
        bool told = true;
        while (told) {
            told = false;
            for (ParentWatch* w = t_first; w; w = w->next_) {
                if (::IsChild(doomed, w->child_)) {
                    Listener& listener = w->listener_;
                    w->stop();
                    listener.container_window_destroying();
                    told = true;
                    break;
                }
            }
        }
    }
    return ::CallNextHookEx(self, code, wp, lp);
}

}  // namespace korvix
