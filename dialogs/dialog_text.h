// The text conversions around the common file dialogs, kept apart from the
// Win32 call so they can be tested anywhere.
#pragma once

#include <string>

namespace korvix {

// Turns the host's filter ("Bitmap|*.bmp|All files|*.*") into the list of
// description and pattern pairs the dialogs read, in the host's own string:
// a "|" is appended unless the text already ends with one, then every "|"
// becomes a NUL. The string's terminator then closes the list with the
// second NUL. An empty filter becomes a single NUL (no pairs).
void convert_filter_in_place(std::wstring& filter);

// The path the dialog wrote into its file buffer (length characters): the
// text up to the first NUL, without leading and trailing spaces.
std::wstring path_from_file_buffer(const wchar_t* buffer, size_t length);

}  // namespace korvix
