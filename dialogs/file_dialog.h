// cDialog: the system's Save and Open dialogs, shown modally over the
// control's window. Wide-character calls throughout, so any file name the
// file system holds comes back unchanged, and the file buffer has room for
// the longest path the system accepts.
#pragma once

#include <windows.h>

#include <string>

namespace korvix {

// Both return the chosen path, or "" when the user cancelled or the dialog
// failed. The filter is converted in place first (convert_filter_in_place),
// so the caller's variable holds the converted text afterwards, whatever the
// user did. Title and initial folder are passed as given.
//
// Save asks before overwriting an existing file (and, where the system
// honours it, before creating a new one); Open accepts only existing files.
// Neither shows the read-only check box nor adds an extension.
std::wstring show_save_dialog(HWND owner, HINSTANCE instance, std::wstring& filter, const std::wstring& title,
                              const std::wstring& initial_dir);
std::wstring show_open_dialog(HWND owner, HINSTANCE instance, std::wstring& filter, const std::wstring& title,
                              const std::wstring& initial_dir);

}  // namespace korvix
