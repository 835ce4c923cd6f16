// The scroll demo: an A4 page scanned at 600 dpi (4960 x 7016 pixels) in the
// control on a form, scrolled to its middle with the scroll bars' own
// messages, as a user dragging both thumbs would.
#pragma once

#include <string>

namespace korvix::sample {

// Saves the form as PNG to `screenshot` (when given) once it shows the
// middle of the page, and checks that it does; then runs until the form is
// closed unless `exit_after`. Returns 0, or the sample host's failure codes.
int run_scroll_demo(const std::wstring& screenshot, bool exit_after);

}  // namespace korvix::sample
