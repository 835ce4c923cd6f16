// Runs a COM module's own DllRegisterServer with HKEY_CLASSES_ROOT redirected
// into a scratch key, and writes what it registered as WiX registry rows, so
// the installer package writes exactly what the module itself writes. Also
// writes the module's version, read from its version block, as one line of text.
//   harvest_registration <module> <file id> <directory id> <registry.wxi> <version.txt>
// The file id and directory id are the package's names for the installed
// module and its folder; they replace the module's path and folder.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "installer/harvest/wix_registry.h"

namespace {

using namespace korvix;
using installer::registry_entry;

std::wstring wide(const char* text) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) ::MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    return out;
}

[[noreturn]] void fail(const std::string& what, DWORD code = 0) {
    char text[512];
    std::snprintf(text, sizeof text, "%s (%lu / 0x%08lX)", what.c_str(), static_cast<unsigned long>(code),
                  static_cast<unsigned long>(code));
    throw std::runtime_error(text);
}

// Every REG_SZ value below key, with paths relative to the scratch root.
void collect(HKEY key, const std::wstring& path, std::vector<registry_entry>& out) {
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD name_length = 16384;
        DWORD type = 0;
        DWORD bytes = 0;
        LSTATUS status = ::RegEnumValueW(key, index, name, &name_length, nullptr, &type, nullptr, &bytes);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) fail("cannot list the values of a registered key", status);
        if (type != REG_SZ) fail("the registration wrote a value that is not a string", type);
        std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
        name_length = 16384;
        status = ::RegEnumValueW(key, index, name, &name_length, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (status != ERROR_SUCCESS) fail("cannot read a registered value", status);
        out.push_back({path, std::wstring(name, name_length), std::wstring(data.data())});
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD name_length = 256;
        const LSTATUS status = ::RegEnumKeyExW(key, index, name, &name_length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) fail("cannot list the registered keys", status);
        HKEY raw = nullptr;
        const LSTATUS opened = ::RegOpenKeyExW(key, name, 0, KEY_READ, &raw);
        if (opened != ERROR_SUCCESS) fail("cannot open a registered key", opened);
        unique_hkey child(raw);
        const std::wstring child_path = path.empty() ? std::wstring(name) : path + L"\\" + name;
        const size_t before = out.size();
        collect(child.get(), child_path, out);
        // A key with nothing in it is created by a value-less row.
        if (out.size() == before) out.push_back({child_path, L"", L""});
    }
}

// HKEY_CLASSES_ROOT points into a scratch key while it lives (not a volatile
// one: the registration creates lasting keys, which cannot live below it).
class redirected_classes_root {
public:
    redirected_classes_root() {
        path_ = L"Software\\Korvix\\RegistryHarvest\\" + std::to_wstring(::GetCurrentProcessId());
        HKEY raw = nullptr;
        const LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 KEY_ALL_ACCESS, nullptr, &raw, nullptr);
        if (status != ERROR_SUCCESS) fail("cannot create the scratch key", status);
        key_.reset(raw);
        const LSTATUS redirected = ::RegOverridePredefKey(HKEY_CLASSES_ROOT, key_.get());
        if (redirected != ERROR_SUCCESS) fail("cannot redirect HKEY_CLASSES_ROOT", redirected);
    }
    ~redirected_classes_root() {
        restore();
        key_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }
    redirected_classes_root(const redirected_classes_root&) = delete;
    redirected_classes_root& operator=(const redirected_classes_root&) = delete;

    void restore() noexcept { ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr); }
    HKEY key() const noexcept { return key_.get(); }

private:
    std::wstring path_;
    unique_hkey key_;
};

std::wstring without_long_path_prefix(std::wstring path) {
    if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
    return path;
}

std::wstring module_file_name(HMODULE module) {
    std::vector<wchar_t> buffer(32768);
    const DWORD length = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) fail("cannot read the module's file name", ::GetLastError());
    return without_long_path_prefix(std::wstring(buffer.data(), length));
}

std::string module_version(const std::wstring& path) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) fail("the module has no version block", ::GetLastError());
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) fail("cannot read the version block", ::GetLastError());
    VS_FIXEDFILEINFO* info = nullptr;
    UINT info_size = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) ||
        info_size < sizeof(VS_FIXEDFILEINFO))
        fail("the version block has no fixed part");
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                  HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

std::vector<registry_entry> harvest(const std::wstring& module_path, std::wstring& loaded_path) {
    redirected_classes_root scratch;
    unique_hmodule module(::LoadLibraryExW(module_path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) fail("cannot load the module", ::GetLastError());
    loaded_path = module_file_name(module.get());
    using register_fn = HRESULT(STDAPICALLTYPE*)();
    const auto register_server =
        reinterpret_cast<register_fn>(reinterpret_cast<void*>(::GetProcAddress(module.get(), "DllRegisterServer")));
    if (!register_server) fail("the module exports no DllRegisterServer");
    const HRESULT hr = register_server();
    scratch.restore();
    if (hr != S_OK) fail("DllRegisterServer failed", static_cast<DWORD>(hr));
    std::vector<registry_entry> entries;
    collect(scratch.key(), L"", entries);
    if (entries.empty()) fail("DllRegisterServer wrote nothing where it was redirected");
    return entries;
}

void write_file(const std::wstring& path, const std::string& text) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) fail("cannot write the output file");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: harvest_registration <module> <file id> <directory id> <registry.wxi> <version.txt>\n");
        return 2;
    }
    try {
        std::wstring loaded;
        const std::vector<registry_entry> entries = harvest(wide(argv[1]), loaded);
        const std::wstring folder = loaded.substr(0, loaded.find_last_of(L'\\') + 1);
        const std::wstring file_ref = L"[#" + wide(argv[2]) + L"]";
        const std::wstring folder_ref = L"[" + wide(argv[3]) + L"]";
        // A directory property ends in a backslash; a folder written without one keeps none.
        const std::vector<installer::location_reference> references = {
            {loaded, file_ref}, {folder, folder_ref}};
        write_file(wide(argv[4]), installer::wix_registry_include(entries, references));
        write_file(wide(argv[5]), module_version(loaded) + "\n");
        std::printf("harvest_registration: %u registry values from %ls\n", static_cast<unsigned>(entries.size()),
                    loaded.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "harvest_registration: %s\n", e.what());
        return 1;
    }
}
