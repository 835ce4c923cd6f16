// The control scanning from the virtual scanner through Wine's DSM: the page
// at each colour type and resolution, the source's own dialog, the Select
// Source dialog, the host kept alive while the source waits, and repeated
// scans without leaks or temporary files left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/twain/scan_test_support.h"
#include "twain/virtual_scanner/test_page.h"
#include "twain/win/temp_file.h"

namespace korvix::twain::test {
namespace {

std::uint32_t grey_of(std::uint32_t rgb) {
    const std::uint32_t g = (77 * (rgb >> 16) + 150 * ((rgb >> 8) & 0xFF) + 29 * (rgb & 0xFF) + 128) >> 8;
    return g << 16 | g << 8 | g;
}

TEST(VirtualScanner, ScansThePageAtEachColourTypeAndResolution) {
    struct scan_case {
        std::int16_t dpi;
        std::int32_t color_type;
        int width, height, bits;
    };
    const scan_case cases[] = {{75, 0, 620, 877, 1}, {150, 1, 1240, 1754, 8}, {300, 2, 2480, 3508, 24}};
    const auto temp_before = acquisition_temp_files();
    for (const scan_case& c : cases) {
        SCOPED_TRACE(c.color_type);
        scan_host host;
        host.settings(c.dpi, c.color_type, true, false);
        const com_ptr<IPictureDisp> before = host.picture();
        const hostkit::dispatch_result r = host.scan();
        ASSERT_TRUE(r.ok()) << hostkit::describe(r);
        const com_ptr<IPictureDisp> after = host.picture();
        ASSERT_NE(after.get(), before.get()) << "no new picture";
        const picture_pixels p = read_picture(after.get());
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
        EXPECT_EQ(p.bits, c.bits);
        EXPECT_EQ(hostkit::dispatch_get(host.control(), DISPID_Twain_BitmapWidth).value->lVal, c.width);
        EXPECT_EQ(hostkit::dispatch_get(host.control(), DISPID_Twain_BitmapHeight).value->lVal, c.height);
        ASSERT_FALSE(p.rgb.empty());
        // The bars, an inch down, in the colour type asked for.
        for (int bar = 0; bar < 8; ++bar) {
            const std::uint32_t colour = kColourBars[bar];
            const std::uint32_t expected = c.color_type == 2   ? colour
                                           : c.color_type == 1 ? grey_of(colour)
                                           : (grey_of(colour) & 0xFF) >= 128 ? 0xFFFFFF : 0;
            EXPECT_EQ(p.at(c.width * (2 * bar + 1) / 16, c.dpi), expected) << "bar " << bar;
        }
        // The ruler: one tick per tenth of an inch across the bed.
        int ticks = 0;
        const int ruler_row = static_cast<int>(6.1 * c.dpi);
        for (int x = 0; x < p.width; ++x) ticks += p.at(x, ruler_row) == 0;
        EXPECT_EQ(ticks, 83);
    }
    EXPECT_EQ(acquisition_temp_files(), temp_before) << "a temporary file was left behind";
}

TEST(VirtualScanner, ItsOwnDialogScansOrCancels) {
    scan_host host;
    host.settings(100, 2, true, true);
    const std::size_t windows = hostkit::thread_window_count();
    {
        dialog_answer press(L"Korvix Virtual Scanner", IDOK);
        const com_ptr<IPictureDisp> before = host.picture();
        ASSERT_TRUE(host.scan().ok());
        EXPECT_TRUE(press.answered());
        EXPECT_NE(host.picture().get(), before.get());
        EXPECT_EQ(read_picture(host.picture().get()).width, 827);
    }
    {
        dialog_answer cancel(L"Korvix Virtual Scanner", IDCANCEL);
        const com_ptr<IPictureDisp> before = host.picture();
        ASSERT_TRUE(host.scan().ok());
        EXPECT_TRUE(cancel.answered());
        EXPECT_EQ(host.picture().get(), before.get()) << "a cancelled scan changed the picture";
    }
    {
        dialog_answer close(L"Korvix Virtual Scanner", 0);
        const com_ptr<IPictureDisp> before = host.picture();
        ASSERT_TRUE(host.scan().ok());
        EXPECT_TRUE(close.answered());
        EXPECT_EQ(host.picture().get(), before.get());
    }
    EXPECT_EQ(hostkit::thread_window_count(), windows) << "a window was left behind";
}

struct inside_state {
    scan_host* host;
    int ticks = 0;
    HRESULT nested_scan = E_FAIL, nested_select = E_FAIL;
    DWORD nested_ms = 0;
    std::unique_ptr<dialog_answer> press;
};
inside_state* g_inside = nullptr;

// The host's timer, run by the scan's message loop: calls the control again,
// then has the source's Scan button pressed.
void CALLBACK inside_tick(HWND frame, UINT, UINT_PTR id, DWORD) {
    inside_state& s = *g_inside;
    if (s.ticks++ > 0) return;
    ::KillTimer(frame, id);
    const DWORD start = ::GetTickCount();
    s.nested_scan = s.host->scan().hr;
    s.nested_select = s.host->select_source().hr;
    s.nested_ms = ::GetTickCount() - start;
    s.press = std::make_unique<dialog_answer>(L"Korvix Virtual Scanner", IDOK);
}

// While the source's dialog waits, the host's timer runs, the control's own
// windows raise their events, and calls made from there return at once.
TEST(VirtualScanner, TheHostKeepsWorkingWhileTheSourceWaits) {
    scan_host host;
    host.settings(100, 2, true, true);
    event_recorder events(host.hosted().unknown());
    inside_state state{&host};
    g_inside = &state;
    const HWND box = reinterpret_cast<HWND>(
        static_cast<LONG_PTR>(hostkit::dispatch_get(host.control(), DISPID_Twain_hwnd).value->lVal));
    ::SetTimer(host.frame(), 7, 50, inside_tick);
    ::PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

    const com_ptr<IPictureDisp> before = host.picture();
    ASSERT_TRUE(host.scan().ok());
    EXPECT_EQ(state.ticks, 1);
    EXPECT_EQ(state.nested_scan, S_OK);
    EXPECT_EQ(state.nested_select, S_OK);
    EXPECT_LT(state.nested_ms, 1000u) << "a nested call waited";
    ASSERT_TRUE(state.press && state.press->answered());
    EXPECT_NE(host.picture().get(), before.get()) << "the running scan was disturbed";
    EXPECT_GE(events.count(DISPID_TwainEvent_MouseDown), 1);
    EXPECT_GE(events.count(DISPID_TwainEvent_MouseUp), 1);
    g_inside = nullptr;
}

TEST(SelectSource, TheSelectSourceDialogChoosesOrCancels) {
    scan_host host;
    const std::size_t windows = hostkit::thread_window_count();
    for (const WORD button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button);
        dialog_answer answer(L"Select Source", button);
        const com_ptr<IPictureDisp> before = host.picture();
        const hostkit::dispatch_result r = host.select_source();
        EXPECT_TRUE(r.ok()) << hostkit::describe(r);
        EXPECT_TRUE(answer.answered());
        EXPECT_EQ(host.picture().get(), before.get());
        EXPECT_EQ(hostkit::thread_window_count(), windows);
    }
    // The DSM's default source scans as before.
    host.settings(50, 0, false, false);
    ASSERT_TRUE(host.scan().ok());
    EXPECT_EQ(read_picture(host.picture().get()).width, 413);
}

TEST(VirtualScanner, RepeatedScansLeakNothing) {
    scan_host host;
    host.settings(100, 2, false, false);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(host.scan().ok());
    const std::size_t windows = hostkit::thread_window_count();
    const std::size_t committed = hostkit::committed_private_bytes();
    const auto temp_before = acquisition_temp_files();
    for (int i = 0; i < 15; ++i) {
        const HBITMAP old = picture_bitmap(host.picture().get());
        ASSERT_TRUE(host.scan().ok());
        EXPECT_EQ(::GetObjectType(old), 0u) << "the replaced picture's bitmap is still alive";
    }
    EXPECT_EQ(hostkit::thread_window_count(), windows);
    // 15 pages of 2.6 MB each would show; allow the heap's own slack.
    EXPECT_LT(static_cast<double>(hostkit::committed_private_bytes()), committed + 3.0e6);
    EXPECT_EQ(acquisition_temp_files(), temp_before);
}

// Two acquisitions at once get two files; each goes with its owner.
TEST(TempFile, EachAcquisitionHasAFileOfItsOwn) {
    std::wstring first_path, second_path;
    {
        const TempFile first = TempFile::create();
        const TempFile second = TempFile::create();
        first_path = first.path();
        second_path = second.path();
        ASSERT_FALSE(first_path.empty());
        EXPECT_NE(first_path, second_path);
        EXPECT_NE(first_path.find(L"\\ktw"), std::wstring::npos);
        EXPECT_NE(::GetFileAttributesW(first_path.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_NE(::GetFileAttributesW(second_path.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(::GetFileAttributesW(first_path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW(second_path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Run with TWAIN_32.DLL disabled: the host hears why, nothing is left open.
TEST(MissingDsm, ScanAndSelectSourceExplainTheMissingLibrary) {
    scan_host host;
    const std::size_t windows = hostkit::thread_window_count();
    const com_ptr<IPictureDisp> before = host.picture();
    for (const DISPID method : {DISPID_Twain_Scan, DISPID_Twain_SelectSource}) {
        const hostkit::dispatch_result r = hostkit::dispatch_call(host.control(), method);
        EXPECT_TRUE(FAILED(r.hr));
        EXPECT_NE(r.description.find(L"TWAIN_32.DLL"), std::wstring::npos) << hostkit::describe(r);
        EXPECT_EQ(hostkit::thread_window_count(), windows);
    }
    EXPECT_EQ(host.picture().get(), before.get());
}

// Run with no usable source in the prefix: both calls return normally, the
// picture stays and is laid out again, nothing is left open.
TEST(NoSource, ScanAndSelectSourceChangeNothing) {
    scan_host host;
    const std::size_t windows = hostkit::thread_window_count();
    const com_ptr<IPictureDisp> before = host.picture();
    EXPECT_TRUE(host.scan().ok());
    EXPECT_TRUE(host.select_source().ok());
    EXPECT_EQ(host.picture().get(), before.get());
    EXPECT_EQ(hostkit::thread_window_count(), windows);
}

}  // namespace
}  // namespace korvix::twain::test
