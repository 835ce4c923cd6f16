#include "tests/wine/hostkit/process_resources.h"

namespace korvix::hostkit {
namespace {

BOOL CALLBACK count_child(HWND, LPARAM counter) {
    ++*reinterpret_cast<size_t*>(counter);
    return TRUE;
}

BOOL CALLBACK count_top_level(HWND hwnd, LPARAM counter) {
    ++*reinterpret_cast<size_t*>(counter);
    ::EnumChildWindows(hwnd, count_child, counter);  // walks all descendants
    return TRUE;
}

}  // namespace

size_t thread_window_count() {
    size_t count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), count_top_level, reinterpret_cast<LPARAM>(&count));
    return count;
}

size_t committed_private_bytes() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    size_t total = 0;
    auto* address = static_cast<const char*>(info.lpMinimumApplicationAddress);
    auto* end = static_cast<const char*>(info.lpMaximumApplicationAddress);
    MEMORY_BASIC_INFORMATION mbi{};
    while (address < end && ::VirtualQuery(address, &mbi, sizeof mbi) == sizeof mbi) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
        const char* next = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

}  // namespace korvix::hostkit
