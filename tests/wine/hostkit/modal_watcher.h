// Answers the modal dialogs a call on the test's thread opens (file dialogs,
// their prompts, the About box), or those another process opens for it (the
// control's helper): a second thread hands each new visible dialog window
// ("#32770") of the watched thread or processes to the test's handler, which
// reads and answers it. A watchdog closes every dialog still open after 30 s,
// so a dialog nobody answered fails the test instead of hanging the run.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace korvix::hostkit {

class modal_watcher {
public:
    enum class watching { this_thread, other_processes };
    // on_dialog runs on the watcher's thread, once for every dialog.
    explicit modal_watcher(std::function<void(HWND dialog)> on_dialog, watching where = watching::this_thread);
    ~modal_watcher();
    modal_watcher(const modal_watcher&) = delete;
    modal_watcher& operator=(const modal_watcher&) = delete;
    int dialogs_seen() const noexcept { return seen_; }
    bool watchdog_fired() const noexcept { return fired_; }

private:
    void run(DWORD thread, watching where, const std::function<void(HWND)>& on_dialog);
    std::atomic<bool> stop_{false}, fired_{false};
    std::atomic<int> seen_{0};
    std::thread thread_;
};

// For handlers: a window's text (read across threads); pressing a dialog's
// button (IDOK, IDCANCEL, IDYES...) without waiting; typing a name into a
// file dialog and pressing Open or Save.
std::wstring window_text(HWND window);
void press(HWND dialog, int id);
void choose_file(HWND file_dialog, const std::wstring& name);

}  // namespace korvix::hostkit
