#include "twain/win/source_choice.h"

#include <windows.h>

#include "common/win/unique_resource.h"

namespace korvix::twain {

namespace {

// A native module is a 64-bit one: its helper reaches the 32-bit side.
constexpr DWORD kNativeBits = sizeof(void*) * 8;
constexpr DWORD kHelperBits = 32;

}  // namespace

SourceChoice remembered_source() noexcept {
    SourceChoice choice;
    unique_hkey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSourceChoiceKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return choice;
    DWORD bits = 0, size = sizeof bits, type = 0;
    if (::RegQueryValueExW(key.get(), L"SourceBits", nullptr, &type, reinterpret_cast<BYTE*>(&bits), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || (bits != kNativeBits && bits != kHelperBits))
        return choice;
    wchar_t name[64] = {};
    size = sizeof name - sizeof(wchar_t);  // always terminated
    if (::RegQueryValueExW(key.get(), L"Source", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return choice;
    char narrow[64] = {};
    if (!::WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof narrow, nullptr, nullptr)) return choice;
    choice.side = bits == kNativeBits ? SourceChoice::Side::native : SourceChoice::Side::helper;
    choice.name = narrow;
    return choice;
}

void remember_source(const SourceChoice& choice) noexcept {
    unique_hkey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSourceChoiceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
        return;
    if (choice.side == SourceChoice::Side::none) {
        ::RegDeleteValueW(key.get(), L"SourceBits");
        ::RegDeleteValueW(key.get(), L"Source");
        return;
    }
    wchar_t name[64] = {};
    ::MultiByteToWideChar(CP_ACP, 0, choice.name.c_str(), -1, name, 63);
    const DWORD bits = choice.side == SourceChoice::Side::native ? kNativeBits : kHelperBits;
    ::RegSetValueExW(key.get(), L"Source", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                     static_cast<DWORD>((wcslen(name) + 1) * sizeof(wchar_t)));
    ::RegSetValueExW(key.get(), L"SourceBits", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), sizeof bits);
}

}  // namespace korvix::twain
