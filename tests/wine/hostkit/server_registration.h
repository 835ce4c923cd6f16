// Registers an in-process server the way regsvr32 does: load it and call
// its DllRegisterServer.
#pragma once

#include <windows.h>

#include <string>

namespace korvix::hostkit {

// A path as the build system gave it (a Unix path when cross-built) made
// usable by Windows APIs under Wine.
std::wstring windows_path(const std::string& build_path);

// Loads the module and calls DllRegisterServer. Returns its HRESULT
// (or the load failure).
HRESULT register_server(const std::wstring& module_path);

// Asks the loaded module (by file name) whether it could be unloaded:
// S_OK when no object or lock is alive. E_FAIL when not loaded.
HRESULT module_can_unload(const std::wstring& module_path);

// The control module the including suite was built to test (its build passes
// KORVIX_OCX_PATH); empty in a build without the module.
inline std::wstring module_under_test() {
#ifdef KORVIX_OCX_PATH
    return windows_path(KORVIX_OCX_PATH);
#else
    return L"";
#endif
}

}  // namespace korvix::hostkit
