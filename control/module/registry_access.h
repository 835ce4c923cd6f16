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

bool key_exists(HKEY root, const std::wstring& path) noexcept;

// Removes root\path with everything below it; a missing key is success.
LSTATUS delete_tree(HKEY root, const std::wstring& path) noexcept;

}  // namespace korvix::registration
