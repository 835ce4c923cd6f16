// Registers the module, runs a script under cscript and answers any file
// dialog the script opens with Cancel (there is nobody to click), with a
// watchdog so a stuck script cannot hang the test run.
//   vbs_runner <module> <script.vbs>
// Exit code: the script's (its failure count), 90+ for runner failures.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/win/unique_resource.h"
#include "tests/wine/hostkit/server_registration.h"

namespace {

using namespace korvix;

constexpr DWORD kWatchdogMs = 120000;

struct dialog_search {
    DWORD process_id;
    int cancelled;
};

BOOL CALLBACK cancel_dialogs(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<dialog_search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->process_id || !::IsWindowVisible(hwnd)) return TRUE;
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (std::wstring(cls) != L"#32770") return TRUE;
    wchar_t title[256] = {};
    ::GetWindowTextW(hwnd, title, 256);
    std::printf("vbs_runner: cancelling dialog \"%ls\"\n", title);
    std::fflush(stdout);
    ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ++search->cancelled;
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vbs_runner <module> <script.vbs>\n");
        return 90;
    }
    const std::wstring module = hostkit::windows_path(argv[1]);
    const std::wstring script = hostkit::windows_path(argv[2]);
    const HRESULT hr = hostkit::register_server(module);
    if (FAILED(hr)) {
        std::fprintf(stderr, "vbs_runner: registering %ls failed (0x%08lX)\n", module.c_str(),
                     static_cast<unsigned long>(hr));
        return 91;
    }

    std::wstring command = L"cscript.exe //nologo \"" + script + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "vbs_runner: cannot start cscript (%lu)\n", ::GetLastError());
        return 92;
    }
    unique_handle process(pi.hProcess);
    unique_handle thread(pi.hThread);

    const DWORD start = ::GetTickCount();
    while (::WaitForSingleObject(process.get(), 100) == WAIT_TIMEOUT) {
        dialog_search search{pi.dwProcessId, 0};
        ::EnumWindows(cancel_dialogs, reinterpret_cast<LPARAM>(&search));
        if (::GetTickCount() - start > kWatchdogMs) {
            std::fprintf(stderr, "vbs_runner: script still running after %lu ms, stopped\n", kWatchdogMs);
            ::TerminateProcess(process.get(), 93);
            ::WaitForSingleObject(process.get(), 5000);
            return 93;
        }
    }
    DWORD code = 94;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
