// Settings records saved by the control itself in several states (defaults,
// every key changed, icons and a cursor of several sizes, an empty icon):
// the records the sweep mutates, and the fuzz targets' seed corpus.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace korvix::sweep {

std::vector<std::pair<std::wstring, std::vector<BYTE>>> saved_records();

// Writes <folder>/settings_record_fuzzer/<state>.bin and, for records with
// an icon, the icon's bytes to <folder>/stored_icon_fuzzer/<state>.bin
// (a Unix or Windows path). 0 on success.
int write_corpus(const char* folder);

}  // namespace korvix::sweep
