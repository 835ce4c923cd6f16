// The platform pieces the driver runs on under Windows: global memory, the
// thread's message queue (GetMessageA loop) and the hidden "#32770" message
// window that is the DSM's parent.
#pragma once

#include <windows.h>

#include "twain/twain_platform.h"

namespace korvix::twain {

class WinGlobalMemory final : public GlobalMemory {
public:
    TW_HANDLE alloc_zeroed(std::size_t bytes) noexcept override;
    void* lock(TW_HANDLE block) noexcept override;
    void unlock(TW_HANDLE block) noexcept override;
    bool free(TW_HANDLE block) noexcept override;
    std::size_t size(TW_HANDLE block) noexcept override;
};

class WinMessagePump final : public EventPump {
public:
    Wait wait() noexcept override;
    void* message() noexcept override { return &msg_; }
    int quit_code() const noexcept override { return static_cast<int>(msg_.wParam); }
    void dispatch() noexcept override;
    void repost_quit(int exit_code) noexcept override;

private:
    MSG msg_{};
};

class WinMessageWindows final : public MessageWindows {
public:
    TW_HANDLE create() noexcept override;
    bool destroy(TW_HANDLE window) noexcept override;
};

}  // namespace korvix::twain
