#include "tests/wine/hostkit/modal_watcher.h"

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cwchar>
#include <vector>

namespace korvix::hostkit {

namespace {

BOOL CALLBACK collect_dialog(HWND w, LPARAM list) {
    wchar_t cls[8] = {};
    if (::GetClassNameW(w, cls, 8) && std::wcscmp(cls, L"#32770") == 0 && ::IsWindowVisible(w))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

BOOL CALLBACK collect_foreign_dialog(HWND w, LPARAM list) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(w, &process);
    return process == ::GetCurrentProcessId() ? TRUE : collect_dialog(w, list);
}

}  // namespace

modal_watcher::modal_watcher(std::function<void(HWND)> on_dialog, watching where)
    : thread_([this, thread = ::GetCurrentThreadId(), where, on_dialog = std::move(on_dialog)] {
          run(thread, where, on_dialog);
      }) {}

modal_watcher::~modal_watcher() {
    stop_ = true;
    thread_.join();
}

void modal_watcher::run(DWORD thread, watching where, const std::function<void(HWND)>& on_dialog) {
    std::vector<HWND> answered;
    const DWORD start = ::GetTickCount();
    while (!stop_) {
        std::vector<HWND> open;
        if (where == watching::this_thread)
            ::EnumThreadWindows(thread, &collect_dialog, reinterpret_cast<LPARAM>(&open));
        else
            ::EnumWindows(&collect_foreign_dialog, reinterpret_cast<LPARAM>(&open));
        answered.erase(std::remove_if(answered.begin(), answered.end(), [](HWND w) { return !::IsWindow(w); }),
                       answered.end());
        const bool too_late = ::GetTickCount() - start > 30000;
        for (HWND w : open) {
            if (too_late) {
                fired_ = true;
                ::PostMessageW(w, WM_CLOSE, 0, 0);
            } else if (std::find(answered.begin(), answered.end(), w) == answered.end()) {
                answered.push_back(w);
                ++seen_;
                ::Sleep(100);  // let it finish initialising
                on_dialog(w);
            }
        }
        ::Sleep(20);
    }
}

std::wstring window_text(HWND window) {
    wchar_t text[512] = {};
    ::InternalGetWindowText(window, text, 512);  // no message: works while the owner thread is busy
    return text;
}

void press(HWND dialog, int id) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void choose_file(HWND file_dialog, const std::wstring& name) {
    ::SendMessageW(file_dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(name.c_str()));
    press(file_dialog, IDOK);
}

}  // namespace korvix::hostkit
