// korvix_twain32.exe: the 64-bit control's way to 32-bit TWAIN sources.
// Started by the control with one end of a pipe (--pipe <handle>); loads the
// 32-bit TWAIN_32.DLL and serves the control's requests until the pipe
// closes. See helper_server.h.
#include <windows.h>

#include "twain/helper/helper_server.h"
#include "twain/win/dsm_library.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    korvix::twain::DsmLibrary dsm;
    return korvix::twain::helper::serve_command_line(dsm);
}
