// Thin registry helpers with owned key handles; every call reports a Win32
// status instead of throwing.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/unique_resource.h"

namespace korvix::registration {

// Creates (or opens) root\path and writes one REG_SZ value.
LSTATUS write_string(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& data) noexcept;

// Reads a REG_SZ value; false when the key or value is missing or not a string.
bool read_string(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& data) noexcept;

// view: 0 for the caller's own registry view, KEY_WOW64_32KEY or
// KEY_WOW64_64KEY for the 32-bit or 64-bit one.
bool key_exists(HKEY root, const std::wstring& path, REGSAM view = 0) noexcept;

// Removes root\path with everything below it; a missing key is success.
LSTATUS delete_tree(HKEY root, const std::wstring& path) noexcept;

}  // namespace korvix::registration
