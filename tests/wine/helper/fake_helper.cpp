// A helper that misbehaves as the test asks (KORVIX_FAKE_HELPER names the
// way), built from the product's own codec and pipe so that every byte it
// sends is what it means to send. It stands in for korvix_twain32.exe
// beside a copy of the control in a test folder, or is started directly.
//
//   page           a 3 x 2 colour page, done properly (pixels 0x000001 ...)
//   crash          dies (an access violation) once the request arrived
//   crash_in_page  dies after the control granted the page's section
//   hang           stops beating once the request arrived, no dialog up
//   dialog_hang    shows its "dialog" (UiShown), beats a while, then dies
//   garbage        answers the request with bytes that are no frame
//   version        says hello in another protocol version
//   lying_page     announces one page and writes another into the section
//   huge_page      announces a page larger than any section
//   unwritten      ends the call with the granted section never written
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "common/win/unique_resource.h"
#include "twain/bridge/page_section.h"
#include "twain/helper/crash_exit.h"
#include "twain/win/pipe_channel.h"

namespace {

using namespace korvix;
using namespace korvix::twain;

HANDLE pipe_argument() {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    HANDLE pipe = nullptr;
    for (int i = 1; args && i + 1 < count; ++i)
        if (!std::wcscmp(args[i], L"--pipe"))
            pipe = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoul(args[i + 1], nullptr, 10)));
    ::LocalFree(args);
    return pipe;
}

std::string way() {
    char text[64] = {};
    ::GetEnvironmentVariableA("KORVIX_FAKE_HELPER", text, sizeof text);
    return text;
}

bridge::Message next(PipeChannel& channel) {
    bridge::Message m;
    while (channel.wait(m, 250) == PipeChannel::Poll::nothing) channel.send(bridge::Beat{});
    return m;
}

[[noreturn]] void crash() {
    *static_cast<volatile int*>(nullptr) = 1;
    std::abort();
}

// Sends a page, writes into the section what write says, and ends the call.
template <typename Write>
int send_page(PipeChannel& channel, const bridge::PageReady& page, Write write, bool tell_written = true) {
    channel.send(page);
    const bridge::Message answer = next(channel);
    const auto* grant = std::get_if<bridge::SectionGrant>(&answer);
    if (grant && grant->handle) {
        const unique_handle section(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(grant->handle)));
        auto* view = static_cast<std::uint8_t*>(
            ::MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(grant->bytes)));
        if (!view) return 3;
        write(view, *bridge::plan_page_section(page));
        ::UnmapViewOfFile(view);
        if (tell_written) channel.send(bridge::PageWritten{});
    }
    channel.send(bridge::Done{grant && grant->handle ? bridge::CallStatus::done : bridge::CallStatus::failed, "Fake"});
    next(channel);  // until the control closes the pipe
    return 0;
}

void write_page(std::uint8_t* view, const bridge::PageSection& plan) {
    bridge::write_page_header(view, plan, 0, 0, nullptr);
    std::uint8_t* rows = view + plan.pixel_offset;
    for (int y = 0; y < plan.height; ++y)
        for (int x = 0; x < plan.width; ++x) {
            std::uint8_t* px = rows + y * plan.row_bytes + x * 3;
            px[0] = static_cast<std::uint8_t>(1 + x + 3 * y);  // blue: the pixel's number, bottom row first
            px[1] = px[2] = 0;
        }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    helper::end_on_crash();  // as the real helper does
    const HANDLE pipe = pipe_argument();
    if (!pipe) return 2;
    PipeChannel channel{unique_handle(pipe)};
    const std::string how = way();
    channel.send(bridge::Hello{how == "version" ? bridge::kProtocolVersion + 1 : bridge::kProtocolVersion});
    const bridge::Message request = next(channel);
    const bridge::PageReady page{3, 2, 24, 0, 0, 0, 75};
    if (how == "crash") crash();
    if (how == "hang") {
        ::Sleep(INFINITE);
    }
    if (how == "dialog_hang") {
        channel.send(bridge::UiShown{});
        for (int i = 0; i < 8; ++i) ::Sleep(250), channel.send(bridge::Beat{});
        ::ExitProcess(4);
    }
    if (how == "garbage") {
        const std::uint8_t junk[] = {0x42, 0x4D, 0xFF, 0xFF, 0, 0, 0, 0, 1, 2, 3, 4};
        DWORD written = 0;
        OVERLAPPED o{};
        o.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!::WriteFile(channel.handle(), junk, sizeof junk, &written, &o)) ::GetOverlappedResult(channel.handle(), &o, &written, TRUE);
        ::CloseHandle(o.hEvent);
        next(channel);
        return 0;
    }
    if (how == "crash_in_page") return send_page(channel, page, [](std::uint8_t*, const bridge::PageSection&) { crash(); });
    if (how == "lying_page")
        return send_page(channel, page, [](std::uint8_t* view, const bridge::PageSection& plan) {
            write_page(view, plan);
            view[4] = 2;  // the header says 2 pixels wide
        });
    if (how == "huge_page") return send_page(channel, bridge::PageReady{70000, 70000, 24, 0, 0, 0, 0}, write_page);
    if (how == "unwritten") return send_page(channel, page, write_page, false);
    if (how == "page" && std::holds_alternative<bridge::ScanRequest>(request)) return send_page(channel, page, write_page);
    channel.send(bridge::Done{bridge::CallStatus::done, "Fake"});
    next(channel);
    return 0;
}
