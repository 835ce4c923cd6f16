#include "samples/host/scroll_demo.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "control/korvix_ids.h"
#include "samples/host/scan_demo.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/hostkit/view_windows.h"
#include "tests/wine/hostkit/window_capture.h"

namespace korvix::sample {
namespace {

constexpr int kPageWidth = 4960, kPageHeight = 7016;  // A4 at 600 dpi
constexpr int kLabelStep = 200;                        // a ruled grid with its coordinates

// A white page ruled every 200 pixels, each crossing labelled with its
// coordinates, so a screenshot tells where in the page the view is.
unique_hbitmap make_page(BYTE** bits) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kPageWidth, -kPageHeight, 1, 24, BI_RGB};
    void* memory = nullptr;
    unique_hbitmap page(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
    if (!page || !memory) throw hresult_error(E_OUTOFMEMORY, "the page could not be made");
    *bits = static_cast<BYTE*>(memory);
    const size_t stride = (size_t(kPageWidth) * 3 + 3) & ~size_t(3);
    for (int y = 0; y < kPageHeight; ++y) {
        BYTE* row = *bits + stride * size_t(y);
        std::memset(row, 0xFF, stride);
        for (int x = 0; x < kPageWidth; ++x)
            if (x % kLabelStep == 0 || y % kLabelStep == 0) {
                row[3 * x] = 0xE0;  // a light blue rule
                row[3 * x + 1] = 0xB0;
                row[3 * x + 2] = 0x80;
            }
    }
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    select_scope keep_page(dc.get(), page.get());
    unique_hfont font(::CreateFontW(-22, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial"));
    select_scope keep_font(dc.get(), font.get());
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), RGB(30, 40, 110));
    for (int y = 0; y < kPageHeight; y += kLabelStep)
        for (int x = 0; x < kPageWidth; x += kLabelStep) {
            wchar_t label[32];
            std::swprintf(label, 32, L"%d, %d", x, y);
            ::TextOutW(dc.get(), x + 6, y + 6, label, static_cast<int>(std::wcslen(label)));
        }
    ::GdiFlush();
    return page;
}

// The user drags a thumb to `position` and lets go.
void drag_thumb(const hostkit::view_windows& w, bool vertical, int position) {
    const UINT message = vertical ? WM_VSCROLL : WM_HSCROLL;
    const LPARAM bar = reinterpret_cast<LPARAM>(vertical ? w.vscroll : w.hscroll);
    for (int step = 1; step <= 8; ++step)
        ::SendMessageW(w.surface, message, MAKEWPARAM(SB_THUMBTRACK, position * step / 8), bar);
    ::SendMessageW(w.surface, message, MAKEWPARAM(SB_THUMBPOSITION, position), bar);
    ::SendMessageW(w.surface, message, MAKEWPARAM(SB_ENDSCROLL, 0), bar);
}

}  // namespace

int run_scroll_demo(const std::wstring& screenshot, bool exit_after) {
    hostkit::frame_window frame(L"Korvix scroll demo: an A4 page at 600 dpi", SIZE{640, 480});
    std::unique_ptr<hostkit::hosted_control> control;
    BYTE* bits = nullptr;
    try {
        const RECT client = frame.client_rect();
        control = hostkit::host_new_control(frame.hwnd(), client);
        const hostkit::dispatch_result set =
            hostkit::dispatch_putref(control->dispatch(), DISPID_Twain_Picture,
                                     hostkit::picture_from_bitmap(make_page(&bits)).get());
        if (FAILED(set.hr)) throw hresult_error(set.hr, "setting Picture failed");
    } catch (const hresult_error& e) {
        std::fprintf(stderr, "sample_host: scroll demo: %s (0x%08lX)\n", e.what(),
                     static_cast<unsigned long>(e.code()));
        return 3;
    }
    frame.on_close([] { ::PostQuitMessage(0); });

    const hostkit::dispatch_result hwnd = hostkit::dispatch_get(control->dispatch(), DISPID_Twain_hwnd);
    const hostkit::view_windows w =
        hostkit::find_view_windows(reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd.value->lVal)));
    RECT box{};
    ::GetClientRect(w.picture_box, &box);
    const POINT middle{(kPageWidth - box.right) / 2, (kPageHeight - box.bottom) / 2};
    drag_thumb(w, false, middle.x);
    drag_thumb(w, true, middle.y);

    int status = 0;
    if (!screenshot.empty()) {
        ::SetForegroundWindow(frame.hwnd());
        hostkit::pump_messages_for(400);
        const hostkit::window_capture shot = hostkit::capture_window(frame.hwnd());
        // The picture box shows the page from its middle: compare its pixels.
        POINT at{};
        picture_box_offset(frame.hwnd(), control->dispatch(), at);
        const size_t stride = (size_t(kPageWidth) * 3 + 3) & ~size_t(3);
        for (int y = 0; y < box.bottom && status == 0; y += 3)
            for (int x = 0; x < box.right; x += 3) {
                const BYTE* p = bits + stride * size_t(middle.y + y) + 3 * size_t(middle.x + x);
                if (shot.at(at.x + x, at.y + y) !=
                    RGB(p[2], p[1], p[0])) {
                    std::fprintf(stderr, "sample_host: the control does not show the middle of the page\n");
                    status = 6;
                    break;
                }
            }
        const int saved = hostkit::save_png(shot, screenshot);
        if (saved != 0) {
            std::fprintf(stderr, "sample_host: saving %ls failed (status %d)\n", screenshot.c_str(), saved);
            status = 5;
        } else if (status == 0) {
            std::printf("sample_host: the page scrolled to (%ld, %ld), saved %dx%d screenshot to %ls\n", middle.x,
                        middle.y, shot.width, shot.height, screenshot.c_str());
        }
    }
    if (!exit_after) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    control.reset();
    return status;
}

}  // namespace korvix::sample
