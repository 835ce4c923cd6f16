// Path text for the file codecs: long and Unicode names are handed to the
// wide-character calls in their extended-length form, which lifts the
// 260-character limit. The caller resolves relative paths first.
#pragma once

#include <string>

namespace korvix {

// "C:\dir\f.png" -> "\\?\C:\dir\f.png"; "\\server\share\f.png" ->
// "\\?\UNC\server\share\f.png"; forward slashes become backslashes (the
// extended form takes names literally). Paths already in a "\\?\" or
// "\\.\" form and paths that are not absolute come back unchanged.
std::wstring extended_length_path(const std::wstring& full_path);

// The folder part of a path, without the final separator ("" for a bare name).
std::wstring folder_of(const std::wstring& path);

}  // namespace korvix
