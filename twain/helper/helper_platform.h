// The platform pieces the TWAIN driver runs on inside the helper: the
// source manager's entry, reporting the dialogs it shows; the thread's
// queue, watched beside the control's pipe; and the message window, owned
// by the host's window so that the source's dialog and the chooser stay
// above it.
#pragma once

#include <windows.h>

#include "twain/helper/heartbeat.h"
#include "twain/twain_platform.h"
#include "twain/win/pipe_channel.h"

namespace korvix::twain::helper {

// Forwards every request to the source manager. Tells the control when a
// dialog comes up (an enable with the source's interface, the chooser) and
// when it is gone again, and keeps the beat going while a request runs.
class ReportingDsm final : public DsmEntry {
public:
    ReportingDsm(DsmEntry& dsm, PipeChannel& channel, Heartbeat& beat) noexcept
        : dsm_(dsm), channel_(channel), beat_(beat) {}
    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data) override;
    // At the end of a call: a dialog still counted as up is reported gone.
    void end_call() noexcept { dialog(false); }

private:
    void dialog(bool up) noexcept;

    DsmEntry& dsm_;
    PipeChannel& channel_;
    Heartbeat& beat_;
    bool dialog_up_ = false;
};

// GetMessage's loop for the driver, watching the control's pipe as well: a
// cancel from the control, or its pipe closing, ends the wait as a failure
// (the driver then disables and closes the source as after any failure).
class PipeWatchingPump final : public EventPump {
public:
    PipeWatchingPump(PipeChannel& channel, Heartbeat& beat) noexcept : channel_(channel), beat_(beat) {}
    Wait wait() noexcept override;
    void* message() noexcept override { return &msg_; }
    int quit_code() const noexcept override { return static_cast<int>(msg_.wParam); }
    void dispatch() noexcept override;
    void repost_quit(int exit_code) noexcept override { ::PostQuitMessage(exit_code); }
    // The control cancelled or went away during the call.
    bool cancelled() const noexcept { return cancelled_; }

private:
    PipeChannel& channel_;
    Heartbeat& beat_;
    MSG msg_{};
    bool cancelled_ = false;
};

// The hidden "#32770" message window, owned by the host's window when there
// is one that still exists.
class OwnedMessageWindows final : public MessageWindows {
public:
    explicit OwnedMessageWindows(HWND owner) noexcept : owner_(owner) {}
    TW_HANDLE create() noexcept override;
    bool destroy(TW_HANDLE window) noexcept override;

private:
    HWND owner_;
};

// While it lives, every top-level window this thread creates without an
// owner (a source manager's chooser that ignores its parent, a source that
// ignores hParent) is given the host's window as its owner.
class OwnerForNewWindows {
public:
    explicit OwnerForNewWindows(HWND owner) noexcept;
    ~OwnerForNewWindows();
    OwnerForNewWindows(const OwnerForNewWindows&) = delete;
    OwnerForNewWindows& operator=(const OwnerForNewWindows&) = delete;

private:
    HHOOK hook_ = nullptr;
};

}  // namespace korvix::twain::helper
