// What the suites of the control's helper share: the helper processes still
// running, a window's last owner across processes, the source choice the
// 64-bit control remembers, and a watcher that kills the process whose
// dialog appears.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

#include "common/win/unique_resource.h"
#include "tests/wine/hostkit/modal_watcher.h"
#include "twain/win/source_choice.h"

namespace korvix::twain::test {

// Processes of a program (by file name) still running.
inline int running(const wchar_t* exe_name) {
    const unique_handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        count += _wcsicmp(entry.szExeFile, exe_name) == 0;
    return count;
}

// The end of a window's chain of owners (GA_ROOTOWNER follows only popups).
inline HWND last_owner(HWND window) {
    while (const HWND owner = ::GetWindow(window, GW_OWNER)) window = owner;
    return window;
}

// Forgets the source a user chose, so each test starts from the rule.
inline void forget_source_choice() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kSourceChoiceKey); }

// Ends the process that shows the next dialog of another process.
inline hostkit::modal_watcher killing_its_helper() {
    return hostkit::modal_watcher(
        [](HWND dialog) {
            DWORD process = 0;
            ::GetWindowThreadProcessId(dialog, &process);
            const unique_handle helper(::OpenProcess(PROCESS_TERMINATE, FALSE, process));
            ::TerminateProcess(helper.get(), 9);
        },
        hostkit::modal_watcher::watching::other_processes);
}

}  // namespace korvix::twain::test
