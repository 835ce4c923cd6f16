// What a leak leaves behind that can be counted under Wine: windows of this
// thread (with all their descendants) and committed private memory.
#pragma once

#include <windows.h>

#include <cstddef>

namespace korvix::hostkit {

// Top-level windows of the calling thread plus every descendant of them.
size_t thread_window_count();

// Sum of committed private pages of the process (VirtualQuery walk), bytes.
size_t committed_private_bytes();

}  // namespace korvix::hostkit
