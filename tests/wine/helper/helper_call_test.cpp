// The control's side of a call through the helper, run in a 32-bit test
// program against the real helper (over the virtual scanner, the prefix's
// 32-bit source) and against a helper that misbehaves on purpose: the page
// arrives pixel for pixel as the in-process driver gets it, the host's window
// is disabled while a dialog of the helper is up and enabled however the call
// ends, and a helper that dies, hangs or lies leaves no picture and no
// process behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/modal_watcher.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/helper/helper_test_support.h"
#include "tests/wine/twain/scan_test_support.h"
#include "twain/win/helper_call.h"
#include "twain/win/twain_acquisition.h"

namespace korvix::twain::test {
namespace {

using End = HelperCallResult::End;

class ole_environment : public ::testing::Environment {
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
    void TearDown() override { ::OleUninitialize(); }
};
const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new ole_environment);

const std::wstring& real_helper() {
    static const std::wstring path = hostkit::windows_path(KORVIX_HELPER_PATH);
    return path;
}
const std::wstring& fake_helper() {
    static const std::wstring path = hostkit::windows_path(KORVIX_FAKE_HELPER_PATH);
    return path;
}

bridge::ScanRequest scan_request(HWND owner, SHORT dpi, LONG color_type, bool show_interface) {
    return bridge::ScanRequest{dpi, color_type, false, show_interface, wire_window(owner), ""};
}

TEST(HelperCall, ThePageIsTheOneTheInProcessDriverGets) {
    hostkit::frame_window frame(L"Korvix helper test", SIZE{200, 100});
    for (const LONG color_type : {0L, 2L}) {
        SCOPED_TRACE(color_type);
        const HelperCallResult through = call_helper(real_helper(), scan_request(frame.hwnd(), 100, color_type, false),
                                                     frame.hwnd());
        ASSERT_EQ(through.end, End::finished);
        EXPECT_EQ(through.status, bridge::CallStatus::done);
        EXPECT_EQ(through.page.resolution_sent, 100);
        ASSERT_TRUE(through.picture);
        com_ptr<IPictureDisp> here;
        TwainAcquisition in_process;
        ASSERT_TRUE(in_process.acquire(here, ScanSettings{100, color_type, false, false}).replaced);
        const picture_pixels a = read_picture(through.picture.get()), b = read_picture(here.get());
        EXPECT_EQ(a.width, 827);
        EXPECT_EQ(a.bits, b.bits);
        EXPECT_TRUE(a.rgb == b.rgb) << "the pages differ";
    }
    EXPECT_EQ(running(L"korvix_twain32.exe"), 0);
}

// The source's dialog, shown by the helper: owned by the host's window,
// which is disabled until the dialog is gone.
TEST(HelperCall, TheSourcesDialogIsModalToTheHostsWindow) {
    hostkit::frame_window frame(L"Korvix helper test", SIZE{200, 100});
    HWND root_owner = nullptr;
    BOOL frame_enabled = TRUE;
    const hostkit::modal_watcher scan([&](HWND dialog) {
        root_owner = last_owner(dialog);
        frame_enabled = ::IsWindowEnabled(frame.hwnd());
        hostkit::press(dialog, IDOK);
    }, hostkit::modal_watcher::watching::other_processes);
    const HelperCallResult r = call_helper(real_helper(), scan_request(frame.hwnd(), 50, 2, true), frame.hwnd());
    EXPECT_EQ(r.end, End::finished);
    EXPECT_TRUE(r.picture);
    EXPECT_EQ(scan.dialogs_seen(), 1);
    EXPECT_EQ(root_owner, frame.hwnd());
    EXPECT_FALSE(frame_enabled);
    EXPECT_TRUE(::IsWindowEnabled(frame.hwnd()));
}

TEST(HelperCall, TheChooserAndTheListOfSources) {
    hostkit::frame_window frame(L"Korvix helper test", SIZE{200, 100});
    HWND root_owner = nullptr;
    const hostkit::modal_watcher choose([&](HWND dialog) {
        root_owner = last_owner(dialog);
        hostkit::press(dialog, IDOK);
    }, hostkit::modal_watcher::watching::other_processes);
    const HelperCallResult chosen = call_helper(real_helper(), bridge::ChooseRequest{wire_window(frame.hwnd())},
                                                frame.hwnd());
    EXPECT_EQ(chosen.end, End::finished);
    EXPECT_EQ(chosen.status, bridge::CallStatus::done);
    EXPECT_EQ(chosen.source, "Korvix Virtual Scanner");
    EXPECT_EQ(root_owner, frame.hwnd());
    const HelperCallResult listed = call_helper(real_helper(), bridge::ListRequest{}, nullptr);
    EXPECT_EQ(listed.end, End::finished);
    EXPECT_EQ(listed.sources, std::vector<std::string>{"Korvix Virtual Scanner"});
}

// The real helper, killed while its source's dialog is up.
TEST(HelperCall, AHelperKilledMidScanGivesControlBack) {
    hostkit::frame_window frame(L"Korvix helper test", SIZE{200, 100});
    const hostkit::modal_watcher kill = killing_its_helper();
    const HelperCallResult r = call_helper(real_helper(), scan_request(frame.hwnd(), 50, 2, true), frame.hwnd());
    EXPECT_EQ(r.end, End::died);
    EXPECT_FALSE(r.picture);
    EXPECT_TRUE(::IsWindowEnabled(frame.hwnd()));
    EXPECT_EQ(running(L"korvix_twain32.exe"), 0);
}

TEST(HelperCall, MisbehavingHelpersGiveControlBackWithNothing) {
    hostkit::frame_window frame(L"Korvix helper test", SIZE{200, 100});
    struct misbehaviour {
        const char* way;
        End end;
    };
    const misbehaviour cases[] = {
        {"page", End::finished},  // the fake itself, behaving
        {"crash", End::died},
        {"crash_in_page", End::died},
        {"hang", End::hung},
        {"dialog_hang", End::died},
        {"garbage", End::violated},
        {"version", End::violated},
        {"lying_page", End::violated},
        {"unwritten", End::violated},
        {"huge_page", End::finished},  // refused its section: the fake's scan fails
    };
    HelperLimits quick;
    quick.silence_ms = 1500;
    for (const misbehaviour& c : cases) {
        SCOPED_TRACE(c.way);
        ::SetEnvironmentVariableA("KORVIX_FAKE_HELPER", c.way);
        const DWORD start = ::GetTickCount();
        const HelperCallResult r = call_helper(fake_helper(), scan_request(frame.hwnd(), 75, 2, true), frame.hwnd(),
                                               quick);
        EXPECT_EQ(r.end, c.end);
        EXPECT_LT(::GetTickCount() - start, 8000u);
        EXPECT_TRUE(::IsWindowEnabled(frame.hwnd()));
        if (std::string(c.way) == "page") {
            ASSERT_TRUE(r.picture);
            const picture_pixels p = read_picture(r.picture.get());
            ASSERT_EQ(p.width, 3);
            EXPECT_EQ(p.at(0, 1), 1u) << "bottom row first";
            EXPECT_EQ(p.at(2, 0), 6u);
        } else {
            EXPECT_FALSE(r.picture);
            if (c.end == End::finished) {
                EXPECT_EQ(r.status, bridge::CallStatus::failed);
            }
        }
        EXPECT_EQ(running(L"fake_helper.exe"), 0);
    }
    ::SetEnvironmentVariableA("KORVIX_FAKE_HELPER", nullptr);
    EXPECT_EQ(call_helper(L"C:\\nowhere\\korvix_twain32.exe", bridge::ListRequest{}, nullptr).end, End::no_helper);
}

}  // namespace
}  // namespace korvix::twain::test
