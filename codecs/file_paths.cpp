#include "codecs/file_paths.h"

#include <algorithm>

namespace korvix {

namespace {
bool starts_with(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }
bool is_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
}  // namespace

std::wstring extended_length_path(const std::wstring& full_path) {
    if (starts_with(full_path, L"\\\\?\\") || starts_with(full_path, L"\\\\.\\")) return full_path;
    std::wstring path = full_path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (starts_with(path, L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() >= 3 && is_letter(path[0]) && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    return full_path;
}

std::wstring folder_of(const std::wstring& path) {
    const size_t last = path.find_last_of(L"\\/");
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

}  // namespace korvix
