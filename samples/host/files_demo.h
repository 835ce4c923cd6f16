// The sample host's file step: the picture the form shows is saved as PNG
// and as JPEG into a folder, and the PNG is loaded back into a second
// control, which must then hold the same pixels.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace korvix::sample {

// Writes <folder>\<name>.png and <name>.jpg. Returns 0 when both files were
// written and the PNG came back unchanged; prints what it did. folder: a
// Windows path that exists.
int save_and_reload(HWND frame, IDispatch* shown, const std::wstring& folder, const std::wstring& name);

}  // namespace korvix::sample
