#include "twain/helper/helper_platform.h"

namespace korvix::twain::helper {

// ---- ReportingDsm -----------------------------------------------------------

void ReportingDsm::dialog(bool up) noexcept {
    if (up == dialog_up_) return;
    dialog_up_ = up;
    if (up)
        channel_.send(bridge::UiShown{});
    else
        channel_.send(bridge::UiHidden{});
}

TW_UINT16 ReportingDsm::entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                              TW_MEMREF data) {
    const bool enable = dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS;
    const bool chooser = dat == DAT_IDENTITY && msg == MSG_USERSELECT;
    if ((enable && static_cast<const TW_USERINTERFACE*>(data)->ShowUI) || chooser) dialog(true);
    TW_UINT16 rc;
    {
        const InCall call(beat_);
        rc = dsm_.entry(origin, dest, dg, dat, msg, data);
    }
    if (chooser || (enable && rc != TWRC_SUCCESS) || (dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS))
        dialog(false);
    return rc;
}

// ---- PipeWatchingPump ---------------------------------------------------------

EventPump::Wait PipeWatchingPump::wait() noexcept {
    constexpr DWORD kTurnMs = 250;
    for (;;) {
        beat_.turned();
        if (cancelled_) return Wait::failed;
        if (::PeekMessageA(&msg_, nullptr, 0, 0, PM_REMOVE)) return msg_.message == WM_QUIT ? Wait::quit : Wait::message;
        bridge::Message from_control;
        const PipeChannel::Poll p = channel_.poll(from_control);
        // During a call the control only ever cancels; anything else, or
        // its pipe closing, ends the call as well.
        if (p != PipeChannel::Poll::nothing) {
            cancelled_ = true;
            continue;
        }
        const HANDLE pipe = channel_.read_event();
        ::MsgWaitForMultipleObjectsEx(1, &pipe, kTurnMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// A source's window may run a message box of its own from here: that is the
// source working, not the helper stuck.
void PipeWatchingPump::dispatch() noexcept {
    const InCall call(beat_);
    ::TranslateMessage(&msg_);
    ::DispatchMessageA(&msg_);
}

// ---- OwnedMessageWindows ------------------------------------------------------

TW_HANDLE OwnedMessageWindows::create() noexcept {
    const HWND owner = owner_ && ::IsWindow(owner_) ? owner_ : nullptr;
    return ::CreateWindowExA(0, "#32770", "TWAIN_MSG_WINDOW", 0, 10, 10, 150, 50, owner, nullptr, nullptr, nullptr);
}

bool OwnedMessageWindows::destroy(TW_HANDLE window) noexcept {
    return ::DestroyWindow(static_cast<HWND>(window)) != FALSE;
}

// ---- OwnerForNewWindows ----------------------------------------------------------

namespace {

HWND g_new_windows_owner = nullptr;  // the helper has one thread that makes windows

LRESULT CALLBACK give_owner(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) {
        auto* created = reinterpret_cast<CBT_CREATEWNDW*>(lparam);
        const HWND window = reinterpret_cast<HWND>(wparam);
        if (!(created->lpcs->style & WS_CHILD) && !created->lpcs->hwndParent && ::IsWindow(g_new_windows_owner)) {
            created->lpcs->hwndParent = g_new_windows_owner;
            ::SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(g_new_windows_owner));
        }
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

OwnerForNewWindows::OwnerForNewWindows(HWND owner) noexcept {
    if (!owner) return;
    g_new_windows_owner = owner;
    hook_ = ::SetWindowsHookExW(WH_CBT, give_owner, nullptr, ::GetCurrentThreadId());
}

OwnerForNewWindows::~OwnerForNewWindows() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    g_new_windows_owner = nullptr;
}

}  // namespace korvix::twain::helper
