// Sample host: a form with the Twain control on it, showing a picture the
// host made itself. Options:
//   --register <module>     register the module first (as regsvr32 would)
//   --screenshot <png>      once the form has painted, save it as PNG
//   --scan                  scan a page from the TWAIN source instead
//   --save-files <folder>   save the shown picture as PNG and JPEG there
//                           (sample-picture.*, or scanned-page.* with --scan)
//                           and load the PNG back into a second control
//   --exit                  quit instead of running until the form is closed
//   --scroll-demo           an A4 page at 600 dpi instead, scrolled to its middle
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>

#include "control/korvix_ids.h"
#include "samples/host/files_demo.h"
#include "samples/host/sample_picture.h"
#include "samples/host/scan_demo.h"
#include "samples/host/scroll_demo.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/hostkit/window_capture.h"

namespace {

using namespace korvix;

struct options {
    std::wstring register_module;
    std::wstring screenshot;
    std::wstring files_folder;
    bool exit_after = false;
    bool scan = false;
    bool scroll_demo = false;
    bool ok = true;
};

options parse_options() {
    options o;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return o;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--register" && i + 1 < argc) {
            const std::wstring path = argv[++i];
            o.register_module = hostkit::windows_path(std::string(path.begin(), path.end()));
        } else if (arg == L"--screenshot" && i + 1 < argc) {
            const std::wstring path = argv[++i];  // a Unix path from a build script works too
            o.screenshot = hostkit::windows_path(std::string(path.begin(), path.end()));
        } else if (arg == L"--scan") {
            o.scan = true;
        } else if (arg == L"--save-files" && i + 1 < argc) {
            const std::wstring path = argv[++i];
            o.files_folder = hostkit::windows_path(std::string(path.begin(), path.end()));
        } else if (arg == L"--exit") {
            o.exit_after = true;
        } else if (arg == L"--scroll-demo") {
            o.scroll_demo = true;
        } else {
            std::fprintf(stderr, "sample_host: unknown option %ls\n", argv[i]);
            o.ok = false;
        }
    }
    ::LocalFree(argv);
    return o;
}

// The control's place in the form: the client area less a margin.
RECT control_rect(SIZE client) {
    constexpr LONG margin = 12;
    return RECT{margin, margin, client.cx > 2 * margin ? client.cx - margin : margin + 1,
                client.cy > 2 * margin ? client.cy - margin : margin + 1};
}

constexpr int kPictureWidth = 720;
constexpr int kPictureHeight = 272;

// The screenshot's proof that the control renders: the picture box's top rows
// (above the caption) hold the sample picture's own pixels.
bool shows_sample_picture(const hostkit::window_capture& shot, HWND frame, IDispatch* control) {
    POINT box{};
    if (!sample::picture_box_offset(frame, control, box)) return false;
    const int left = box.x, top = box.y;
    for (int y = 0; y < 60; y += 6)
        for (int x = 0; x < 300; x += 10)
            if (shot.at(left + x, top + y) != hostkit::gradient_pixel(x, y, kPictureWidth, kPictureHeight))
                return false;
    return true;
}

int run(const options& o) {
    if (!o.register_module.empty()) {
        const HRESULT hr = hostkit::register_server(o.register_module);
        if (FAILED(hr)) {
            std::fprintf(stderr, "sample_host: registering %ls failed (0x%08lX)\n", o.register_module.c_str(),
                         static_cast<unsigned long>(hr));
            return 2;
        }
    }

    if (o.scroll_demo) return sample::run_scroll_demo(o.screenshot, o.exit_after);

    hostkit::frame_window frame(L"Korvix sample host", SIZE{480, 320});
    std::unique_ptr<hostkit::hosted_control> control;
    try {
        const RECT client = frame.client_rect();
        control = hostkit::host_new_control(frame.hwnd(), control_rect(SIZE{client.right, client.bottom}));
    } catch (const hresult_error& e) {
        std::fprintf(stderr, "sample_host: cannot host Korvix.Twain: %s (0x%08lX)\n", e.what(),
                     static_cast<unsigned long>(e.code()));
        return 3;
    }
    frame.on_size([&control](SIZE client) {
        if (control) control->move(control_rect(client));
    });
    frame.on_close([] { ::PostQuitMessage(0); });

    if (o.scan) {
        if (const int scanned = sample::scan_page(control->dispatch())) return scanned;
    } else {
        // The picture goes in as a late-bound host sets it: propputref Picture.
        com_ptr<IPictureDisp> picture = sample::make_sample_picture(kPictureWidth, kPictureHeight);
        const hostkit::dispatch_result set = hostkit::dispatch_putref(control->dispatch(), DISPID_Twain_Picture,
                                                                      picture.get());
        if (FAILED(set.hr)) {
            std::fprintf(stderr, "sample_host: setting Picture failed: %s\n", hostkit::describe(set).c_str());
            return 4;
        }
    }
    hostkit::dispatch_put(control->dispatch(), DISPID_Twain_ToolTipText,
                          *hostkit::unique_variant::bstr(L"Korvix sample picture").get());

    int status = 0;
    if (!o.screenshot.empty()) {
        ::SetForegroundWindow(frame.hwnd());
        hostkit::pump_messages_for(400);
        ::RedrawWindow(frame.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                                                           RDW_UPDATENOW);
        hostkit::pump_messages_for(200);
        const hostkit::window_capture shot = hostkit::capture_window(frame.hwnd());
        const bool shown = o.scan ? sample::shows_scanned_page(shot, frame.hwnd(), control->dispatch())
                                  : shows_sample_picture(shot, frame.hwnd(), control->dispatch());
        if (!shown) {
            std::fprintf(stderr, "sample_host: the control does not show the %s\n",
                         o.scan ? "scanned page" : "sample picture");
            status = 6;
        }
        const int saved = hostkit::save_png(shot, o.screenshot);
        if (saved != 0) {
            std::fprintf(stderr, "sample_host: saving %ls failed (status %d)\n", o.screenshot.c_str(), saved);
            status = 5;
        } else if (status == 0) {
            std::printf("sample_host: saved %dx%d screenshot to %ls\n", shot.width, shot.height,
                        o.screenshot.c_str());
        }
    }

    if (status == 0 && !o.files_folder.empty()) {
        try {
            // The sample picture was made by the host and has no resolution of its own: files say 96 dpi.
            status = sample::save_and_reload(frame.hwnd(), control->dispatch(), o.files_folder,
                                             o.scan ? L"scanned-page" : L"sample-picture",
                                             o.scan ? sample::kScanDpi : 96);
        } catch (const hresult_error& e) {
            std::fprintf(stderr, "sample_host: %s (0x%08lX)\n", e.what(), static_cast<unsigned long>(e.code()));
            status = 10;
        }
    }

    if (!o.exit_after) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    control.reset();  // Close, SetClientSite(NULL), release: before the form goes
    return status;
}

}  // namespace

int main() {
    const options o = parse_options();
    if (!o.ok) return 1;
    if (FAILED(::OleInitialize(nullptr))) return 1;
    const int status = run(o);
    ::OleUninitialize();
    return status;
}
