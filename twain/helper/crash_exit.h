// A helper whose source crashes ends at once, with the crash's code: no
// error report dialog (Windows) or debugger (Wine) keeps the process alive,
// so the control sees it gone rather than waiting for its silence.
#pragma once

#include <windows.h>

namespace korvix::twain::helper {

inline LONG WINAPI end_at_once(EXCEPTION_POINTERS* crash) {
    ::TerminateProcess(::GetCurrentProcess(), crash ? crash->ExceptionRecord->ExceptionCode : 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

inline void end_on_crash() noexcept {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::SetUnhandledExceptionFilter(end_at_once);
}

}  // namespace korvix::twain::helper
