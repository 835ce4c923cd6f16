#include "tests/wine/hostkit/server_registration.h"

#include "common/win/unique_resource.h"

namespace korvix::hostkit {

std::wstring windows_path(const std::string& build_path) {
    std::wstring wide(build_path.begin(), build_path.end());
    if (wide.empty() || wide[0] != L'/') return wide;
    // Wine's own converter, when present; else the Z: drive maps the root.
    using convert_fn = LPWSTR(CDECL*)(LPCSTR);
    auto convert = reinterpret_cast<convert_fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (convert) {
        if (LPWSTR dos = convert(build_path.c_str())) {
            std::wstring result(dos);
            ::HeapFree(::GetProcessHeap(), 0, dos);
            return result;
        }
    }
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    return L"Z:" + wide;
}

HRESULT register_server(const std::wstring& module_path) {
    unique_hmodule module(::LoadLibraryW(module_path.c_str()));
    if (!module) return HRESULT_FROM_WIN32(::GetLastError());
    using register_fn = HRESULT(STDAPICALLTYPE*)();
    auto reg = reinterpret_cast<register_fn>(
        reinterpret_cast<void*>(::GetProcAddress(module.get(), "DllRegisterServer")));
    if (!reg) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    return reg();
}

HRESULT module_can_unload(const std::wstring& module_path) {
    HMODULE module = ::GetModuleHandleW(module_path.c_str());
    if (!module) return E_FAIL;
    using can_unload_fn = HRESULT(STDAPICALLTYPE*)();
    auto can_unload = reinterpret_cast<can_unload_fn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllCanUnloadNow")));
    return can_unload ? can_unload() : E_FAIL;
}

}  // namespace korvix::hostkit
