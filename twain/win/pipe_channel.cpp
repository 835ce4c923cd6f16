#include "twain/win/pipe_channel.h"

#include <vector>

namespace korvix::twain {

namespace {

// Longest a write may wait for room in the pipe: the other side reads all
// the time, so a pipe that stays full means it has stopped.
constexpr DWORD kWriteLimitMs = 10000;

unique_handle manual_event() noexcept { return unique_handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

}  // namespace

PipeChannel::PipeChannel(unique_handle pipe)
    : pipe_(std::move(pipe)), read_done_(manual_event()), write_done_(manual_event()) {
    if (!read_done_ || !write_done_) closed_ = true;
}

PipeChannel::~PipeChannel() {
    if (reading_) {
        // The kernel must be done with the buffer before it goes.
        ::CancelIoEx(pipe_.get(), &read_);
        DWORD got = 0;
        ::GetOverlappedResult(pipe_.get(), &read_, &got, TRUE);
    }
}

bool PipeChannel::send(const bridge::Message& message) noexcept {
    try {
        const std::vector<std::uint8_t> bytes = bridge::encode(message);
        const std::lock_guard<std::mutex> lock(write_lock_);
        OVERLAPPED write{};
        write.hEvent = write_done_.get();
        ::ResetEvent(write.hEvent);
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(bytes.size());
        if (!::WriteFile(pipe_.get(), bytes.data(), size, &written, &write)) {
            if (::GetLastError() != ERROR_IO_PENDING) return false;
            if (::WaitForSingleObject(write.hEvent, kWriteLimitMs) != WAIT_OBJECT_0) {
                ::CancelIoEx(pipe_.get(), &write);
                ::GetOverlappedResult(pipe_.get(), &write, &written, TRUE);
                return false;
            }
        }
        return ::GetOverlappedResult(pipe_.get(), &write, &written, TRUE) && written == size;
    } catch (...) {
        return false;
    }
}

bool PipeChannel::collect_read() noexcept {
    DWORD got = 0;
    reading_ = false;
    if (!::GetOverlappedResult(pipe_.get(), &read_, &got, FALSE)) return false;
    reader_.feed(chunk_, got);
    return true;
}

PipeChannel::Poll PipeChannel::poll(bridge::Message& out) noexcept {
    try {
        for (;;) {
            switch (reader_.next(out)) {
            case bridge::WireReader::Next::message: return Poll::message;
            case bridge::WireReader::Next::broken: return Poll::broken;
            case bridge::WireReader::Next::need_more: break;
            }
            if (closed_) return Poll::closed;
            if (reading_) {
                if (::WaitForSingleObject(read_done_.get(), 0) != WAIT_OBJECT_0) return Poll::nothing;
                if (!collect_read()) closed_ = true;
                continue;
            }
            read_ = OVERLAPPED{};
            read_.hEvent = read_done_.get();
            ::ResetEvent(read_.hEvent);
            reading_ = true;
            if (!::ReadFile(pipe_.get(), chunk_, sizeof chunk_, nullptr, &read_) &&
                ::GetLastError() != ERROR_IO_PENDING) {
                reading_ = false;
                closed_ = true;
            }
            // Done at once or pending: the loop collects it either way.
        }
    } catch (...) {  // no memory for the bytes received
        closed_ = true;
        return Poll::closed;
    }
}

PipeChannel::Poll PipeChannel::wait(bridge::Message& out, DWORD timeout_ms) noexcept {
    const ULONGLONG until = ::GetTickCount64() + timeout_ms;
    for (;;) {
        const Poll p = poll(out);
        if (p != Poll::nothing) return p;
        const ULONGLONG now = ::GetTickCount64();
        if (timeout_ms != INFINITE && now >= until) return Poll::nothing;
        const DWORD left = timeout_ms == INFINITE ? INFINITE : static_cast<DWORD>(until - now);
        if (::WaitForSingleObject(read_done_.get(), left) == WAIT_TIMEOUT) return Poll::nothing;
    }
}

}  // namespace korvix::twain
