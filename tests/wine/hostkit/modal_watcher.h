// Answers the modal dialogs a call on the test's thread opens (file
// dialogs, their prompts, the About box): a second thread waits for each new
// visible dialog window ("#32770") of the watched thread and hands it to the
// test's handler, which reads it and answers it. A watchdog closes every
// dialog still open after the time limit, so a dialog nobody answered fails
// the test instead of hanging the run.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace korvix::hostkit {

class modal_watcher {
public:
    // on_dialog runs on the watcher's thread, once for every dialog.
    explicit modal_watcher(std::function<void(HWND dialog)> on_dialog, DWORD watchdog_ms = 30000);
    ~modal_watcher();
    modal_watcher(const modal_watcher&) = delete;
    modal_watcher& operator=(const modal_watcher&) = delete;

    int dialogs_seen() const noexcept { return seen_; }
    bool watchdog_fired() const noexcept { return fired_; }

private:
    void run();
    std::function<void(HWND)> on_dialog_;
    DWORD watched_thread_, watchdog_ms_;
    std::atomic<bool> stop_{false}, fired_{false};
    std::atomic<int> seen_{0};
    std::thread thread_;
};

// Helpers for handlers.
std::wstring window_text(HWND window);
std::wstring child_text(HWND dialog, int id);
// Presses a button of the dialog (IDOK, IDCANCEL, IDYES...) without waiting.
void press(HWND dialog, int id);
// A file dialog: types name into its file name box and presses Open/Save.
void choose_file(HWND file_dialog, const std::wstring& name);
// The dialog whose owner is this one, once it appears (a prompt); null after timeout_ms.
HWND wait_for_owned_dialog(HWND owner, DWORD timeout_ms = 10000);

}  // namespace korvix::hostkit
