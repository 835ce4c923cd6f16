// The helper's beat: a thread that tells the control, a few times a second,
// that the helper's own thread is alive. That thread counts as alive while
// it turns its loops, and while it is inside a call to the source manager,
// which may rightly take long (a scanner's lamp warming up, a page being
// scanned). A helper stuck anywhere else falls silent, and the control stops
// it.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

#include "twain/win/pipe_channel.h"

namespace korvix::twain::helper {

class Heartbeat {
public:
    explicit Heartbeat(PipeChannel& channel);
    ~Heartbeat();
    Heartbeat(const Heartbeat&) = delete;
    Heartbeat& operator=(const Heartbeat&) = delete;

    // From the helper's own thread.
    void turned() noexcept { last_turn_ = ::GetTickCount64(); }
    void enter_call() noexcept { ++in_call_; }
    void leave_call() noexcept { --in_call_, turned(); }

private:
    void run();

    PipeChannel& channel_;
    std::atomic<ULONGLONG> last_turn_;
    std::atomic<int> in_call_{0};
    unique_handle stop_;
    std::thread thread_;
};

// enter_call() ... leave_call(), on every path.
class InCall {
public:
    explicit InCall(Heartbeat& beat) noexcept : beat_(beat) { beat_.enter_call(); }
    ~InCall() { beat_.leave_call(); }
    InCall(const InCall&) = delete;
    InCall& operator=(const InCall&) = delete;

private:
    Heartbeat& beat_;
};

}  // namespace korvix::twain::helper
