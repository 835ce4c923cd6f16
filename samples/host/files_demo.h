// The sample host's file step, the way a script saves: a second control
// takes the shown picture, and plain filename + Save write it as PNG and as
// JPEG (the names choose the formats); the PNG is loaded back into a third
// control, which must then hold the same pixels.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace korvix::sample {

// Writes <folder>\<name>.png and <name>.jpg. Returns 0 when both files are
// in those formats and record dpi (the picture's own resolution; 96 for a
// picture that has none) and the PNG came back unchanged; prints what it
// did. folder: a Windows path that exists.
int save_and_reload(HWND frame, IDispatch* shown, const std::wstring& folder, const std::wstring& name, double dpi);

}  // namespace korvix::sample
