#include "twain/win/win_platform.h"

namespace korvix::twain {

TW_HANDLE WinGlobalMemory::alloc_zeroed(std::size_t bytes) noexcept {
    return ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
}
void* WinGlobalMemory::lock(TW_HANDLE block) noexcept { return ::GlobalLock(block); }
void WinGlobalMemory::unlock(TW_HANDLE block) noexcept { ::GlobalUnlock(block); }
bool WinGlobalMemory::free(TW_HANDLE block) noexcept { return ::GlobalFree(block) == nullptr; }
std::size_t WinGlobalMemory::size(TW_HANDLE block) noexcept { return ::GlobalSize(block); }

EventPump::Wait WinMessagePump::wait() noexcept {
    const BOOL got = ::GetMessageA(&msg_, nullptr, 0, 0);
    if (got == 0) return Wait::quit;
    return got == -1 ? Wait::failed : Wait::message;
}

void WinMessagePump::dispatch() noexcept {
    ::TranslateMessage(&msg_);
    ::DispatchMessageA(&msg_);
}

void WinMessagePump::repost_quit(int exit_code) noexcept { ::PostQuitMessage(exit_code); }

// Never shown and never handled by us: it only gives the DSM and the
// source a parent window.
TW_HANDLE WinMessageWindows::create() noexcept {
    return ::CreateWindowExA(0, "#32770", "TWAIN_MSG_WINDOW", 0, 10, 10, 150, 50, nullptr, nullptr, nullptr, nullptr);
}

bool WinMessageWindows::destroy(TW_HANDLE window) noexcept {
    return ::DestroyWindow(static_cast<HWND>(window)) != FALSE;
}

}  // namespace korvix::twain
