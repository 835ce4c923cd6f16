// The built korvixlite.ocx as the Windows-side suites see it: its path under
// Wine and its four entry points, loaded with LoadLibrary like a host does.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "common/win/unique_resource.h"

namespace korvix::test {

// CMake knows Unix paths; Wine shows the Unix root as drive Z:.
inline std::wstring windows_path(const std::string& unix_path) {
    std::wstring path = L"Z:";
    for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

inline std::wstring ocx_path() { return windows_path(KORVIX_OCX_PATH); }

// Windows compares file names without regard to case or slash direction.
inline bool same_path(std::wstring a, std::wstring b) {
    for (auto* s : {&a, &b})
        for (auto& c : *s) c = c == L'/' ? L'\\' : static_cast<wchar_t>(::towlower(c));
    return a == b;
}

class module_under_test {
public:
    using get_class_object_fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using no_args_fn = HRESULT(STDAPICALLTYPE*)();

    module_under_test() : module_(::LoadLibraryW(ocx_path().c_str())) {
        if (!module_) return;
        get_class_object = reinterpret_cast<get_class_object_fn>(::GetProcAddress(module_.get(), "DllGetClassObject"));
        can_unload_now = reinterpret_cast<no_args_fn>(::GetProcAddress(module_.get(), "DllCanUnloadNow"));
        register_server = reinterpret_cast<no_args_fn>(::GetProcAddress(module_.get(), "DllRegisterServer"));
        unregister_server = reinterpret_cast<no_args_fn>(::GetProcAddress(module_.get(), "DllUnregisterServer"));
    }

    bool loaded() const {
        return module_ && get_class_object && can_unload_now && register_server && unregister_server;
    }
    HMODULE handle() const { return module_.get(); }

    get_class_object_fn get_class_object = nullptr;
    no_args_fn can_unload_now = nullptr;
    no_args_fn register_server = nullptr;
    no_args_fn unregister_server = nullptr;

private:
    unique_hmodule module_;
};

// One single-threaded apartment for the life of a fixture.
class com_apartment {
public:
    com_apartment() : hr_(::OleInitialize(nullptr)) {}
    ~com_apartment() {
        if (SUCCEEDED(hr_)) ::OleUninitialize();
    }
    com_apartment(const com_apartment&) = delete;
    com_apartment& operator=(const com_apartment&) = delete;
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

}  // namespace korvix::test
