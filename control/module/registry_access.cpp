#include "control/module/registry_access.h"

#include <vector>

namespace korvix::registration {

LSTATUS write_string(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& data) noexcept {
    unique_hkey key;
    LSTATUS status = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                       nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()), bytes);
}

bool read_string(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& data) noexcept {
    try {
        unique_hkey key;
        if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
        const wchar_t* value_name = name.empty() ? nullptr : name.c_str();
        DWORD type = 0;
        DWORD bytes = 0;
        if (::RegQueryValueExW(key.get(), value_name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
        if (type != REG_SZ) return false;
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(key.get(), value_name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                               &bytes) != ERROR_SUCCESS)
            return false;
        buffer.back() = L'\0';  // stored strings need not be terminated
        data.assign(buffer.data());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool key_exists(HKEY root, const std::wstring& path, REGSAM view) noexcept {
    unique_hkey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

LSTATUS delete_tree(HKEY root, const std::wstring& path) noexcept {
    if (path.empty()) return ERROR_INVALID_PARAMETER;  // never the root itself
    LSTATUS status = ::RegDeleteTreeW(root, path.c_str());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    // RegDeleteTree empties the key; the key itself goes separately.
    status = ::RegDeleteKeyW(root, path.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace korvix::registration
