// The control's 32-bit helper (korvix_twain32.exe) as a running process:
// started with one end of a new pipe as its only inherited handle, inside a
// job object that kills it when the job's last handle closes, so it never
// outlives the call that started it, nor the host. Its life ends with this
// object: the pipe is closed (the helper ends on its own when it notices),
// and whatever is still running after a short grace is terminated.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/win/unique_resource.h"
#include "twain/win/pipe_channel.h"

namespace korvix::twain {

class HelperProcess {
public:
    // Null when the program cannot be started (missing, not a program).
    static std::unique_ptr<HelperProcess> start(const std::wstring& program) noexcept;

    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    ~HelperProcess();

    PipeChannel& channel() noexcept { return *channel_; }
    // Signalled when the helper has ended.
    HANDLE process() const noexcept { return process_.get(); }
    // A handle of this process duplicated into the helper with the given
    // access: its value there (handles are 32-bit significant), 0 on failure.
    std::uint32_t share(HANDLE handle, DWORD access) const noexcept;
    // Ends the helper now.
    void kill() noexcept;

private:
    HelperProcess() = default;

    unique_handle job_;
    unique_handle process_;
    std::unique_ptr<PipeChannel> channel_;
};

}  // namespace korvix::twain
