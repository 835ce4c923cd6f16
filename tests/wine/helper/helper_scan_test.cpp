// The 64-bit control with only the 32-bit virtual scanner installed (the
// 64-bit source manager lists nothing): Scan and SelectSource go through the
// helper and behave as in the 32-bit module. The page is the 32-bit
// control's, pixel for pixel (the digests every build pins); the source's
// dialog and the chooser are owned by the host's window, which is disabled
// while they are up and enabled after, also when the helper dies; the host's
// thread keeps running its messages, and a nested call returns at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "tests/native/twain/test_page_digests.h"
#include "tests/wine/helper/helper_test_support.h"
#include "tests/wine/twain/scan_test_support.h"

namespace korvix::twain::test {
namespace {

void expect_page(IPictureDisp* picture, const page_case& c) {
    const picture_pixels p = read_picture(picture);
    EXPECT_EQ(p.width, c.width);
    EXPECT_EQ(p.height, c.height);
    EXPECT_EQ(p.bits, c.bits);
    EXPECT_EQ(page_digest(p.width, p.height, p.rgb), c.digest) << c.dpi << " dpi, colour type " << c.color_type;
}

// What a dialog of the helper found when it came up.
struct dialog_seen {
    HWND owner = nullptr;
    BOOL host_enabled = TRUE;
};

hostkit::modal_watcher answering(HWND host, dialog_seen& seen, int button) {
    return hostkit::modal_watcher(
        [host, &seen, button](HWND dialog) {
            seen = {last_owner(dialog), ::IsWindowEnabled(host)};
            hostkit::press(dialog, button);
        },
        hostkit::modal_watcher::watching::other_processes);
}

class HelperScan : public ::testing::Test {
protected:
    void SetUp() override { forget_source_choice(); }
    void TearDown() override { EXPECT_EQ(running(L"korvix_twain32.exe"), 0) << "a helper was left behind"; }
};

TEST_F(HelperScan, ThePageIsThe32BitControlsPage) {
    for (const page_case& c : {kPageCases[0], kPageCases[1], kPageCases[2]}) {
        SCOPED_TRACE(c.color_type);
        scan_host host;
        host.settings(c.dpi, c.color_type, true, false);
        ASSERT_TRUE(host.scan().ok());
        expect_page(host.picture().get(), c);
    }
}

struct nested_state {
    scan_host* host = nullptr;
    int ticks = 0;
    HRESULT scan = E_FAIL, select = E_FAIL;
} g_nested;

void CALLBACK nested_tick(HWND frame, UINT, UINT_PTR id, DWORD) {
    if (g_nested.ticks++ > 0) return;
    ::KillTimer(frame, id);
    g_nested.scan = g_nested.host->scan().hr;
    g_nested.select = g_nested.host->select_source().hr;
}

// The source's dialog, up in the helper: the host's timer still runs and
// its nested calls return at once; Scan brings the page, Cancel leaves the
// picture; the host's window is disabled only while the dialog is up.
TEST_F(HelperScan, TheSourcesDialogIsModalToTheHostsWindow) {
    scan_host host;
    g_nested = {&host};
    const page_case& page = kPageCases[3];
    host.settings(page.dpi, page.color_type, true, true);
    ::SetTimer(host.frame(), 7, 50, nested_tick);
    dialog_seen seen;
    {
        const auto press = answering(host.frame(), seen, IDOK);
        ASSERT_TRUE(host.scan().ok());
        EXPECT_EQ(press.dialogs_seen(), 1);
    }
    EXPECT_EQ(seen.owner, host.frame());
    EXPECT_FALSE(seen.host_enabled);
    EXPECT_TRUE(::IsWindowEnabled(host.frame()));
    EXPECT_EQ(g_nested.ticks, 1);
    EXPECT_EQ(g_nested.scan, S_OK);
    EXPECT_EQ(g_nested.select, S_OK);
    expect_page(host.picture().get(), page);

    const com_ptr<IPictureDisp> before = host.picture();
    {
        const auto cancel = answering(host.frame(), seen, IDCANCEL);
        ASSERT_TRUE(host.scan().ok());
        EXPECT_EQ(cancel.dialogs_seen(), 1);
    }
    EXPECT_EQ(host.picture().get(), before.get()) << "a cancelled scan changed the picture";
    EXPECT_TRUE(::IsWindowEnabled(host.frame()));
}

// The helper's source manager shows its chooser; the choice is remembered
// for the 32-bit side.
TEST_F(HelperScan, SelectSourceShowsTheChooserOfThe32BitManager) {
    scan_host host;
    for (const int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button);
        dialog_seen seen;
        const auto answer = answering(host.frame(), seen, button);
        EXPECT_TRUE(host.select_source().ok());
        EXPECT_EQ(answer.dialogs_seen(), 1);
        EXPECT_EQ(seen.owner, host.frame());
        EXPECT_FALSE(seen.host_enabled);
        EXPECT_TRUE(::IsWindowEnabled(host.frame()));
    }
    const SourceChoice remembered = remembered_source();
    EXPECT_EQ(remembered.side, SourceChoice::Side::helper);
    EXPECT_EQ(remembered.name, "Korvix Virtual Scanner");
    host.settings(50, 0, false, false);
    ASSERT_TRUE(host.scan().ok());
    EXPECT_EQ(read_picture(host.picture().get()).width, 413) << "the chosen source scans";
}

// The real helper, killed while its source's dialog is up: control comes
// back, the picture and the host's window as they were.
TEST_F(HelperScan, AHelperKilledMidScanGivesControlBack) {
    scan_host host;
    host.settings(50, 2, true, true);
    const com_ptr<IPictureDisp> before = host.picture();
    {
        const auto kill = killing_its_helper();
        ASSERT_TRUE(host.scan().ok());
        EXPECT_EQ(kill.dialogs_seen(), 1);
    }
    EXPECT_EQ(host.picture().get(), before.get());
    EXPECT_TRUE(::IsWindowEnabled(host.frame()));
}

}  // namespace
}  // namespace korvix::twain::test
