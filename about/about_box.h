// frmAbout: the control's About box. Shown modally with no owner (the
// thread's other windows are disabled meanwhile, as for any modal form);
// returns when OK, Esc or the close box ends it. Every showing builds the box
// afresh and computes its texts again.
//
// For programs that drive it: a dialog window (class "#32770") captioned
// "About Valdane Korvid Lite ActiveX 1.1"; WM_COMMAND IDOK or IDCANCEL, or
// WM_CLOSE, closes it. Its labels are static controls with the ids below.
#pragma once

#include <windows.h>

namespace korvix {

namespace about_ids {
constexpr int title = 101;      // lblAppTitle
constexpr int copyright = 102;  // lblCopyright
constexpr int notice = 103;     // lblDisclaimer
constexpr int address = 104;    // lblAddress; a click opens the address
}  // namespace about_ids

// The maker's web address, shown as "Web: <address>" and opened in the
// user's browser (ShellExecute "open") when clicked.
extern const wchar_t kAboutAddress[];

// module: whose file name (without extension, in capitals) completes the
// title line. address_cursor: the pointer over the address (null: the
// arrow). Throws hresult_error when the box cannot be created.
void show_about_box(HINSTANCE module, HCURSOR address_cursor);

}  // namespace korvix
