// korvix_twain32.exe: the 64-bit control's way to 32-bit TWAIN sources.
// Started by the control with one end of a pipe (--pipe <handle>); loads the
// 32-bit TWAIN_32.DLL and serves the control's requests until the pipe
// closes. See helper_server.h.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cwchar>

#include "common/win/unique_resource.h"
#include "twain/helper/crash_exit.h"
#include "twain/helper/helper_server.h"
#include "twain/win/dsm_library.h"

namespace {

// The pipe handle the control passed, or null.
HANDLE pipe_argument() noexcept {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!args) return nullptr;
    HANDLE pipe = nullptr;
    for (int i = 1; i + 1 < count; ++i) {
        if (std::wcscmp(args[i], L"--pipe") != 0) continue;
        wchar_t* end = nullptr;
        const unsigned long value = std::wcstoul(args[i + 1], &end, 10);
        if (end && *end == 0 && value != 0) pipe = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
    }
    ::LocalFree(args);
    return pipe;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    korvix::twain::helper::end_on_crash();
    const HANDLE pipe = pipe_argument();
    if (!pipe || ::GetFileType(pipe) != FILE_TYPE_PIPE) return 2;
    // Nothing a source starts may hold the control's pipe open.
    ::SetHandleInformation(pipe, HANDLE_FLAG_INHERIT, 0);
    // Sources run on an OLE thread in the control's own process too.
    const HRESULT ole = ::OleInitialize(nullptr);
    int code = 0;
    {
        korvix::twain::PipeChannel channel{korvix::unique_handle(pipe)};
        korvix::twain::DsmLibrary dsm;
        code = korvix::twain::helper::serve(channel, dsm);
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return code;
}
