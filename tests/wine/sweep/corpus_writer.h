// Seeds for the fuzz targets, saved by the control itself: settings records
// of controls in several states (defaults, every key changed, icons of
// several kinds) and the mouse icon bytes inside them.
#pragma once

namespace korvix::sweep {

// Writes <folder>/settings_record_fuzzer/*.bin and
// <folder>/stored_icon_fuzzer/*.bin (a Unix or Windows path). 0 on success.
int write_corpus(const char* folder);

}  // namespace korvix::sweep
