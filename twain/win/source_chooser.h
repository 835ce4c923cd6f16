// The 64-bit control's own "Select Source" dialog, for when sources of both
// bitnesses exist: one list with every source of the 64-bit source manager
// and of the 32-bit one (through the helper), each marked with its bitness.
// Modal to the host's window, as the source managers' own choosers are.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace korvix::twain {

// The list box and the choose button, for whoever drives the dialog.
constexpr int kSourceListId = 1000;

// The index of the chosen label, or -1 when the user cancelled (or the
// dialog could not be shown). selected: the entry marked at first.
int choose_among(HWND owner, const std::vector<std::wstring>& labels, int selected) noexcept;

}  // namespace korvix::twain
