#include "samples/host/scan_demo.h"

#include <cstdio>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/unique_variant.h"
#include "twain/virtual_scanner/test_page.h"

namespace korvix::sample {

int scan_page(IDispatch* control) {
    using hostkit::unique_variant;
    hostkit::dispatch_put(control, DISPID_Twain_Resolution, *unique_variant::i2(static_cast<SHORT>(kScanDpi)).get());
    hostkit::dispatch_put(control, DISPID_Twain_ColorType, *unique_variant::i4(2).get());
    hostkit::dispatch_put(control, DISPID_Twain_ShowInterface, *unique_variant::boolean(false).get());
    const hostkit::dispatch_result scan = hostkit::dispatch_call(control, DISPID_Twain_Scan);
    if (FAILED(scan.hr)) {
        std::fprintf(stderr, "sample_host: Scan failed: %s\n", hostkit::describe(scan).c_str());
        return 7;
    }
    const hostkit::dispatch_result width = hostkit::dispatch_get(control, DISPID_Twain_BitmapWidth);
    const hostkit::dispatch_result height = hostkit::dispatch_get(control, DISPID_Twain_BitmapHeight);
    if (!width.ok() || width.value->lVal <= 0) {
        std::fprintf(stderr, "sample_host: Scan brought no page (is a TWAIN source installed?)\n");
        return 8;
    }
    std::printf("sample_host: scanned a %ld x %ld page\n", width.value->lVal, height.value->lVal);
    return 0;
}

bool picture_box_offset(HWND frame, IDispatch* control, POINT& offset) {
    const hostkit::dispatch_result hwnd = hostkit::dispatch_get(control, DISPID_Twain_hwnd);
    if (FAILED(hwnd.hr) || hwnd.value.vt() != VT_I4) return false;
    RECT frame_rect{}, box{};
    ::GetWindowRect(frame, &frame_rect);
    ::GetWindowRect(reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd.value->lVal)), &box);
    offset = POINT{box.left - frame_rect.left, box.top - frame_rect.top};
    return true;
}

bool shows_scanned_page(const hostkit::window_capture& shot, HWND frame, IDispatch* control) {
    POINT at{};
    if (!picture_box_offset(frame, control, at)) return false;
    twain::PageFormat page;
    page.x_dpi = page.y_dpi = kScanDpi;
    for (int y = 0; y < 280; y += 10)
        for (int x = 0; x < 400; x += 8) {
            const std::uint32_t rgb = twain::page_colour(page, x, y);
            const COLORREF expected = RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
            if (shot.at(at.x + x, at.y + y) != expected) return false;
        }
    return true;
}

}  // namespace korvix::sample
