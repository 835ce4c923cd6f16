// The control scanning from the virtual scanner through Wine's DSM: the page
// at each colour type and resolution, the source's own dialog with the host
// kept working while it waits, the Select Source dialog, and a missing DSM.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "tests/wine/hostkit/event_sink.h"
#include "tests/wine/hostkit/modal_watcher.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/property_notify_recorder.h"
#include "tests/wine/twain/scan_test_support.h"
#include "twain/virtual_scanner/test_page.h"

namespace korvix::twain::test {
namespace {

hostkit::modal_watcher pressing(int button) {
    return hostkit::modal_watcher([button](HWND dialog) { hostkit::press(dialog, button); });
}

TEST(VirtualScanner, ScansThePageAtEachColourTypeAndResolution) {
    struct scan_case {
        SHORT dpi;
        LONG color_type;
        int width, height, bits;
    };
    const scan_case cases[] = {{75, 0, 620, 877, 1}, {150, 1, 1240, 1754, 8}, {300, 2, 2480, 3508, 24}};
    for (const scan_case& c : cases) {
        SCOPED_TRACE(c.color_type);
        scan_host host;
        host.settings(c.dpi, c.color_type, true, false);
        ASSERT_TRUE(host.scan().ok());
        const picture_pixels p = read_picture(host.picture().get());
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
        EXPECT_EQ(p.bits, c.bits);
        ASSERT_FALSE(p.rgb.empty());
        // The bars, an inch down, in the colour type asked for.
        for (int bar = 0; bar < 8; ++bar) {
            const std::uint32_t rgb = kColourBars[bar];
            const std::uint32_t grey = (77 * (rgb >> 16) + 150 * ((rgb >> 8) & 0xFF) + 29 * (rgb & 0xFF) + 128) >> 8;
            const std::uint32_t level = c.color_type == 1 ? grey : grey >= 128 ? 255 : 0;
            EXPECT_EQ(p.at(c.width * (2 * bar + 1) / 16, c.dpi), c.color_type == 2 ? rgb : level * 0x010101u) << bar;
        }
        // The grey ramp rises from black to white; the ruler ticks every tenth
        // of an inch; the line fields alternate pixel by pixel.
        const int ramp = 5 * c.dpi, ruler = static_cast<int>(6.1 * c.dpi), lines = 8 * c.dpi;
        EXPECT_LT(p.at(2, ramp) & 0xFF, 4u);
        EXPECT_GT(p.at(p.width - 2, ramp) & 0xFF, 250u);
        int ticks = p.at(0, ruler) == 0;
        for (int x = 1; x < p.width; ++x) {
            EXPECT_GE(p.at(x, ramp) & 0xFF, p.at(x - 1, ramp) & 0xFF) << x;
            ticks += p.at(x, ruler) == 0;
        }
        EXPECT_EQ(ticks, 83);
        EXPECT_NE(p.at(10, lines), p.at(11, lines)) << "vertical lines on the left";
        EXPECT_NE(p.at(p.width - 10, lines), p.at(p.width - 10, lines + 1)) << "horizontal lines on the right";
    }
}

struct inside_state {
    scan_host* host = nullptr;
    int ticks = 0;
    HRESULT nested_scan = E_FAIL, nested_select = E_FAIL;
    std::unique_ptr<hostkit::modal_watcher> press;
} g_inside;

// The host's timer, run by the scan's loop: calls the control again, then
// has the source's Scan button pressed.
void CALLBACK inside_tick(HWND frame, UINT, UINT_PTR id, DWORD) {
    inside_state& s = g_inside;
    if (s.ticks++ > 0) return;
    ::KillTimer(frame, id);
    s.nested_scan = s.host->scan().hr;
    s.nested_select = s.host->select_source().hr;
    s.press = std::make_unique<hostkit::modal_watcher>([](HWND dialog) { hostkit::press(dialog, IDOK); });
}

// While the source's dialog waits, the host's timer runs, the control's own
// windows raise their events, and a Scan or SelectSource called from there
// returns at once; then the dialog's Scan button brings the page. Its Cancel
// leaves the picture as it was.
TEST(VirtualScanner, TheHostKeepsWorkingWhileTheSourcesDialogWaits) {
    inside_state& state = g_inside;
    scan_host host;
    state.host = &host;
    host.settings(100, 2, true, true);
    auto events = hostkit::event_sink::create();
    hostkit::sink_connection connection(host.hosted().unknown(), DIID___Twain, events.get());
    LONG box = 0;
    ASSERT_EQ(host.twain()->get_hwnd(&box), S_OK);
    ::SetTimer(host.frame(), 7, 50, inside_tick);
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP})
        ::PostMessageW(reinterpret_cast<HWND>(static_cast<LONG_PTR>(box)), message,
                       message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(5, 5));
    const std::size_t windows = hostkit::thread_window_count();

    com_ptr<IPictureDisp> before = host.picture();
    ASSERT_TRUE(host.scan().ok());
    EXPECT_EQ(state.ticks, 1);
    EXPECT_EQ(state.nested_scan, S_OK);
    EXPECT_EQ(state.nested_select, S_OK);
    ASSERT_TRUE(state.press && state.press->dialogs_seen() == 1);
    EXPECT_NE(host.picture().get(), before.get()) << "the running scan was disturbed";
    EXPECT_EQ(read_picture(host.picture().get()).width, 827);
    EXPECT_GE(events->count("MouseDown"), 1);
    EXPECT_GE(events->count("MouseUp"), 1);
    state.press.reset();

    const auto cancel = pressing(IDCANCEL);
    before = host.picture();
    ASSERT_TRUE(host.scan().ok());
    EXPECT_EQ(host.picture().get(), before.get()) << "a cancelled scan changed the picture";
    EXPECT_EQ(hostkit::thread_window_count(), windows) << "a window was left behind";
}

TEST(SelectSource, TheSelectSourceDialogChoosesOrCancels) {
    scan_host host;
    const std::size_t windows = hostkit::thread_window_count();
    for (const int button : {IDOK, IDCANCEL}) {
        const auto answer = pressing(button);
        const com_ptr<IPictureDisp> before = host.picture();
        const hostkit::dispatch_result r = host.select_source();
        EXPECT_TRUE(r.ok()) << hostkit::describe(r);
        EXPECT_EQ(answer.dialogs_seen(), 1) << button;
        EXPECT_EQ(host.picture().get(), before.get());
        EXPECT_EQ(hostkit::thread_window_count(), windows);
    }
    host.settings(50, 0, false, false);  // the DSM's default source still scans
    ASSERT_TRUE(host.scan().ok());
    EXPECT_EQ(read_picture(host.picture().get()).width, 413);
}

// Run with TWAIN_32.DLL disabled: the host hears why, nothing is left open.
TEST(MissingDsm, ScanAndSelectSourceExplainTheMissingLibrary) {
    scan_host host;
    const std::size_t windows = hostkit::thread_window_count();
    const com_ptr<IPictureDisp> before = host.picture();
    for (const hostkit::dispatch_result& r : {host.scan(), host.select_source()}) {
        EXPECT_TRUE(FAILED(r.hr));
        EXPECT_NE(r.description.find(L"TWAIN_32.DLL"), std::wstring::npos) << hostkit::describe(r);
    }
    EXPECT_EQ(hostkit::thread_window_count(), windows);
    EXPECT_EQ(host.picture().get(), before.get());
}

}  // namespace
}  // namespace korvix::twain::test
