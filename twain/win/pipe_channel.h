// One end of the pipe between the control and its helper, carrying the
// bridge's messages (twain/bridge/wire_format.h). The handle is opened for
// overlapped I/O, so a read can wait beside the thread's messages: one read
// is kept pending, and its event is what callers wait on.
//
// Writes block until the bytes are in the pipe and may come from two threads
// (the helper's beat); reads are the owning thread's alone.
#pragma once

#include <windows.h>

#include <mutex>

#include "common/win/unique_resource.h"
#include "twain/bridge/wire_format.h"

namespace korvix::twain {

class PipeChannel {
public:
    // pipe: an overlapped pipe handle, owned from now on.
    explicit PipeChannel(unique_handle pipe);
    PipeChannel(const PipeChannel&) = delete;
    PipeChannel& operator=(const PipeChannel&) = delete;
    ~PipeChannel();

    bool send(const bridge::Message& message) noexcept;

    enum class Poll {
        message,  // out holds the next message
        nothing,  // none yet: wait on read_event()
        closed,   // the other end is gone
        broken,   // it sent bytes this protocol never sends
    };
    // Never blocks: hands out a message already received, or starts the
    // next read.
    Poll poll(bridge::Message& out) noexcept;
    // Signalled when the pending read has completed: poll() again.
    HANDLE read_event() const noexcept { return read_done_.get(); }

    // Waits up to timeout_ms for the next message (for a thread with no
    // window messages to serve). nothing on time-out.
    Poll wait(bridge::Message& out, DWORD timeout_ms) noexcept;

    HANDLE handle() const noexcept { return pipe_.get(); }

private:
    bool collect_read() noexcept;  // false when the pipe closed

    unique_handle pipe_;
    unique_handle read_done_;
    unique_handle write_done_;
    OVERLAPPED read_{};
    bool reading_ = false;
    bool closed_ = false;
    std::uint8_t chunk_[4096] = {};
    bridge::WireReader reader_;
    std::mutex write_lock_;
};

}  // namespace korvix::twain
