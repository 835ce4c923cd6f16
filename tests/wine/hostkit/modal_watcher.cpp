#include "tests/wine/hostkit/modal_watcher.h"

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>

namespace korvix::hostkit {

namespace {

bool is_dialog(HWND w) {
    wchar_t cls[16] = {};
    ::GetClassNameW(w, cls, 16);
    return std::wstring(cls) == L"#32770" && ::IsWindowVisible(w);
}

BOOL CALLBACK collect_dialog(HWND w, LPARAM list) {
    if (is_dialog(w)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

std::vector<HWND> dialogs_of(DWORD thread) {
    std::vector<HWND> found;
    ::EnumThreadWindows(thread, &collect_dialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

modal_watcher::modal_watcher(std::function<void(HWND)> on_dialog, DWORD watchdog_ms)
    : on_dialog_(std::move(on_dialog)), watched_thread_(::GetCurrentThreadId()), watchdog_ms_(watchdog_ms) {
    thread_ = std::thread([this] { run(); });
}

modal_watcher::~modal_watcher() {
    stop_ = true;
    thread_.join();
}

void modal_watcher::run() {
    std::vector<HWND> answered;
    const DWORD start = ::GetTickCount();
    while (!stop_) {
        const std::vector<HWND> open = dialogs_of(watched_thread_);
        answered.erase(std::remove_if(answered.begin(), answered.end(), [](HWND w) { return !::IsWindow(w); }),
                       answered.end());
        if (::GetTickCount() - start > watchdog_ms_ && !open.empty()) {
            fired_ = true;
            for (HWND w : open) ::PostMessageW(w, WM_CLOSE, 0, 0);
        } else {
            for (HWND w : open) {
                if (std::find(answered.begin(), answered.end(), w) != answered.end()) continue;
                answered.push_back(w);
                ++seen_;
                ::Sleep(100);  // let it finish initialising
                on_dialog_(w);
            }
        }
        ::Sleep(20);
    }
}

std::wstring window_text(HWND window) {
    wchar_t text[512] = {};
    // Through the window manager, so it works across threads without SendMessage.
    ::InternalGetWindowText(window, text, 512);
    return text;
}

std::wstring child_text(HWND dialog, int id) { return window_text(::GetDlgItem(dialog, id)); }

void press(HWND dialog, int id) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void choose_file(HWND file_dialog, const std::wstring& name) {
    ::SendMessageW(file_dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(name.c_str()));
    press(file_dialog, IDOK);
}

HWND wait_for_owned_dialog(HWND owner, DWORD timeout_ms) {
    const DWORD start = ::GetTickCount();
    const DWORD thread = ::GetWindowThreadProcessId(owner, nullptr);
    while (::GetTickCount() - start < timeout_ms) {
        for (HWND w : dialogs_of(thread))
            if (::GetWindow(w, GW_OWNER) == owner) return w;
        ::Sleep(20);
    }
    return nullptr;
}

}  // namespace korvix::hostkit
