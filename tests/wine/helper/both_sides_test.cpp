// The 64-bit control with a source of each bitness: SelectSource offers
// both in one chooser of its own, and the choice, remembered per user,
// decides which side the next Scan uses: the 32-bit source's dialog comes
// from the helper, the 64-bit one's from the control's own process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helper/helper_test_support.h"
#include "tests/wine/twain/scan_test_support.h"
#include "twain/win/source_chooser.h"

namespace korvix::twain::test {
namespace {

// Reads the chooser's list, picks an entry and presses Select (or Cancel
// when pick is -1).
struct chooser_answer {
    std::vector<std::wstring> labels;
    HWND owner = nullptr;
};

hostkit::modal_watcher choosing(int pick, chooser_answer& seen) {
    return hostkit::modal_watcher([pick, &seen](HWND dialog) {
        const HWND list = ::GetDlgItem(dialog, kSourceListId);
        const LRESULT n = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
        seen.labels.clear();
        for (LRESULT i = 0; i < n; ++i) {
            wchar_t text[128] = {};
            ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            seen.labels.push_back(text);
        }
        seen.owner = ::GetWindow(dialog, GW_OWNER);
        if (pick >= 0) ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(pick), 0);
        hostkit::press(dialog, pick >= 0 ? IDOK : IDCANCEL);
    });
}

// Which process the source's dialog of the next Scan came from.
struct scan_dialogs {
    int here = 0, elsewhere = 0;
};

void scan_with_dialog(scan_host& host, scan_dialogs& seen) {
    const hostkit::modal_watcher here([](HWND dialog) { hostkit::press(dialog, IDOK); });
    const hostkit::modal_watcher elsewhere([](HWND dialog) { hostkit::press(dialog, IDOK); },
                                           hostkit::modal_watcher::watching::other_processes);
    ASSERT_TRUE(host.scan().ok());
    seen = {here.dialogs_seen(), elsewhere.dialogs_seen()};
}

TEST(BothSides, OneChooserForBothAndScanUsesTheChoice) {
    forget_source_choice();
    scan_host host;
    host.settings(50, 2, true, true);
    const std::vector<std::wstring> both = {L"Korvix Virtual Scanner (64-bit)", L"Korvix Virtual Scanner (32-bit)"};
    struct choice_case {
        int pick;
        SourceChoice::Side side;
        bool through_helper;
    };
    for (const choice_case& c : {choice_case{1, SourceChoice::Side::helper, true},
                                 choice_case{0, SourceChoice::Side::native, false}}) {
        SCOPED_TRACE(c.pick);
        chooser_answer seen;
        {
            const auto choose = choosing(c.pick, seen);
            ASSERT_TRUE(host.select_source().ok());
            EXPECT_EQ(choose.dialogs_seen(), 1);
        }
        EXPECT_EQ(seen.labels, both);
        EXPECT_EQ(seen.owner, host.frame());
        EXPECT_EQ(remembered_source().side, c.side);
        scan_dialogs dialogs;
        scan_with_dialog(host, dialogs);
        EXPECT_EQ(dialogs.elsewhere, c.through_helper ? 1 : 0);
        EXPECT_EQ(dialogs.here, c.through_helper ? 0 : 1);
        EXPECT_EQ(read_picture(host.picture().get()).width, 413);
    }
    // Cancelled: the choice stays.
    chooser_answer seen;
    {
        const auto cancel = choosing(-1, seen);
        ASSERT_TRUE(host.select_source().ok());
    }
    EXPECT_EQ(remembered_source().side, SourceChoice::Side::native);
    forget_source_choice();
    EXPECT_EQ(running(L"korvix_twain32.exe"), 0);
}

}  // namespace
}  // namespace korvix::twain::test
