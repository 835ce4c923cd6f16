// One call of the control through its 32-bit helper: starts the helper,
// holds the conversation (twain/bridge/host_call.h) and meanwhile keeps the
// host's thread pumping its messages, as the in-process scan loop does.
//
// - The page arrives in a section this side made and sized itself; once its
//   contents check out, the picture's bitmap is made on that very section,
//   so nothing is copied on this side.
// - While a dialog of the helper is up, the host's window (its owner) is
//   disabled, as under a modal dialog; it is enabled again however the call
//   ends.
// - The helper beats a few times a second. Silence for longer than the
//   limit while no dialog is up, an exit, or a message out of turn ends the
//   call at once: the helper is stopped and nothing it sent is kept.
// - A quit message asks the helper to stop; the call then fails and the
//   caller posts the quit again.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "twain/bridge/wire_format.h"

namespace korvix::twain {

struct HelperCallResult {
    enum class End {
        finished,   // the helper said Done; status tells how the call went
        no_helper,  // the helper could not be started
        died,       // it ended, or closed its pipe, before Done
        hung,       // silent too long with no dialog up
        violated,   // a message out of turn, another version, a lying page
        quit,       // the host is quitting (quit_code)
    };
    End end = End::no_helper;
    bridge::CallStatus status = bridge::CallStatus::failed;
    com_ptr<IPictureDisp> picture;  // a page taken in a call that finished
    bridge::PageReady page;
    std::string source;
    std::vector<std::string> sources;
    int quit_code = 0;
};

struct HelperLimits {
    DWORD silence_ms = 10000;  // with no dialog up
    DWORD cancel_ms = 5000;    // for a cancelled call to end by itself
};

// request: a ScanRequest, ChooseRequest or ListRequest. owner: the host's
// top-level window (may be null), also the owner the request names.
HelperCallResult call_helper(const std::wstring& program, const bridge::Message& request, HWND owner,
                             const HelperLimits& limits = {}) noexcept;

// The handle value the wire carries for a window.
std::uint32_t wire_window(HWND window) noexcept;

}  // namespace korvix::twain
