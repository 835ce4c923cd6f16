// The helper's work: hello, then the control's requests one after the
// other (scan, the chooser, the list of sources), each run by the same
// portable driver the 32-bit control runs in-process, each answered with
// Done; until the control closes the pipe.
#pragma once

#include "twain/twain_platform.h"
#include "twain/win/pipe_channel.h"

namespace korvix::twain::helper {

// dsm: the 32-bit source manager's entry. Returns the process's exit code.
int serve(PipeChannel& channel, DsmEntry& dsm);

}  // namespace korvix::twain::helper
