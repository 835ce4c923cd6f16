// The control against a source that misbehaves in every way the issue lists,
// driven through Wine's real DSM. In each case the host gets control back,
// the picture is what the acquisition's outcome says (a new, correct picture,
// or the old one), the temporary file is gone and no window or memory is
// left behind. (The requests in each case are checked natively.)
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "tests/wine/hostkit/modal_watcher.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/twain/scan_test_support.h"
#include "tests/native/twain/test_dibs.h"
#include "twain/win/twain_acquisition.h"

namespace korvix::twain::test {
namespace {

void use_scenario(const char* scenario) { ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE", scenario); }

struct source_case {
    std::string name, scenario;
    bool replaced;
    int width = 0, height = 0;  // of the new picture: 413 x 585 at the 50 dpi asked, 827 x 1169 at the source's own 100
    bool quit = false;  // with signal=never: a quit message arrives, else its window is closed
};

std::vector<source_case> cases() {
    std::vector<source_case> c = {
        {"indicators refused: ignored", "refuse_set=100B", true, 413, 585},
        {"interface query refused: the source's own settings", "refuse_get=100E", true, 827, 1169},
        {"physical width refused", "refuse_get=1111", false},
        {"physical height refused", "refuse_get=1112", false},
        {"layout refused", "layout=refuse", false},
        {"X resolution refused", "refuse_set=1118", false},
        {"Y resolution refused", "refuse_set=1119", false},
        {"pixel type refused", "refuse_set=0101", false},
        {"bit depth refused: ignored", "refuse_set=112B", true, 413, 585},
        {"transfer count refused", "refuse_set=0001", false},
        {"interface not controllable", "uicontrollable=0", true, 827, 1169},
        {"physical width 0: no layout sent", "width=0", true, 413, 585},
        {"layout answered with TWRC_CHECKSTATUS", "layout=checkstatus", true, 413, 585},
        {"close request instead of a transfer", "signal=closedsreq", false},
        {"transfer cancelled with a handle", "xfer=cancel dib=24,size=600x400", false},
        {"transfer cancelled without a handle", "xfer=cancel_nohandle", false},
        {"transfer failed", "xfer=failure", false},
        {"end of transfer refused", "endxfer=refuse dib=24", false},
        {"more images pending", "pending", true, 413, 585},
        {"disable refused with images pending", "pending disable=refuse", true, 413, 585},
        {"a lying header: rows past the block", "dib=24,lie", false},
        {"a huge header: 60000 x 60000 x 32 bits", "dib=32,huge", false},
        // Valid and written to the file, but wider than Wine's loader takes.
        {"a page wider than the loader takes", "dib=24,size=70000x2", false},
        {"never signals until its window is closed", "signal=never", false},
        {"quit message while the source waits", "signal=never", false, 0, 0, true},
    };
    // Every kind of DIB a driver sends, in both row orders, checked pixel by pixel.
    for (const char* kind : {"1", "4,clr=16", "8", "8,clr=16", "8,clr=256", "24", "24,clr=16", "32", "16",
                             "16,bitfields", "32,bitfields", "32,bitfields,v5"})
        for (const char* order : {"", ",topdown"})
            c.push_back({std::string("DIB ") + kind + order, std::string("dib=") + kind + order, true, 7, 5});
    return c;
}

class MisbehavingSource : public ::testing::Test {
protected:
    void TearDown() override { use_scenario(nullptr); }
};

TEST_F(MisbehavingSource, EveryCaseEndsCleanlyWithThePictureItsOutcomeGives) {
    scan_host host;
    host.settings(50, 2, false, false);
    const auto temp_before = acquisition_temp_files();
    const std::size_t windows = hostkit::thread_window_count();
    for (const source_case& c : cases()) {
        SCOPED_TRACE(c.name);
        use_scenario(c.scenario.c_str());
        std::unique_ptr<hostkit::modal_watcher> closer;
        if (c.scenario == "signal=never" && !c.quit)
            closer = std::make_unique<hostkit::modal_watcher>([](HWND w) { ::PostMessageW(w, WM_CLOSE, 0, 0); });
        std::thread quitter;
        if (c.quit)
            quitter = std::thread([ui = ::GetCurrentThreadId()] {
                ::Sleep(400);
                ::PostThreadMessageW(ui, WM_QUIT, 42, 0);
            });
        const com_ptr<IPictureDisp> before = host.picture();
        const hostkit::dispatch_result r = host.scan();
        MSG quit{};
        const bool quit_waiting = ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        if (quitter.joinable()) quitter.join();

        EXPECT_TRUE(r.ok()) << hostkit::describe(r);
        const com_ptr<IPictureDisp> after = host.picture();
        EXPECT_EQ(after.get() != before.get(), c.replaced);
        const picture_pixels p = read_picture(after.get());
        EXPECT_EQ((c.replaced ? std::pair{p.width, p.height} : std::pair{0, 0}), (std::pair{c.width, c.height}));
        if (c.replaced && c.scenario.rfind("dib=", 0) == 0) {
            ASSERT_EQ(p.rgb.size(), 35u);
            const dib_kind kind = parse_kind(c.scenario.substr(4));
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x) EXPECT_EQ(p.at(x, y), expected_colour(kind, x, y)) << x << "," << y;
        }
        EXPECT_EQ(closer ? closer->dialogs_seen() : 1, 1) << "its window was there to close";
        EXPECT_EQ(quit_waiting ? static_cast<int>(quit.wParam) : 0, c.quit ? 42 : 0)
            << "the quit reaches the host's loop again, with its exit code";
        EXPECT_EQ(acquisition_temp_files(), temp_before);
        hostkit::pump_messages();
        EXPECT_EQ(hostkit::thread_window_count(), windows);
    }
}

// A page taken again and again, and the paths that leave a 3 MB DIB in the
// control's hands without a picture: memory comes back every time, and a
// replaced picture's bitmap is deleted.
TEST_F(MisbehavingSource, RepeatedScansLeakNothing) {
    scan_host host;
    host.settings(100, 2, false, false);  // a 2.6 MB page
    for (const char* scenario : {"", "xfer=cancel dib=24,size=1000x1000", "endxfer=refuse dib=24,size=1000x1000",
                                 "dib=24,size=1000x1000,lie"}) {
        SCOPED_TRACE(scenario);
        use_scenario(scenario);
        ASSERT_TRUE(host.scan().ok());
        const std::size_t committed = hostkit::committed_private_bytes();
        const std::size_t windows = hostkit::thread_window_count();
        for (int i = 0; i < 8; ++i) {
            const auto old = static_cast<HGDIOBJ>(hostkit::picture_handle(host.picture().get()));
            ASSERT_TRUE(host.scan().ok());
            EXPECT_TRUE(*scenario || ::GetObjectType(old) == 0) << "the replaced picture's bitmap is still alive";
        }
        EXPECT_LT(static_cast<double>(hostkit::committed_private_bytes()), committed + 3e6);
        EXPECT_EQ(hostkit::thread_window_count(), windows);
    }
}

// The picture remembers the resolution it was scanned at: as the DIB states
// it, else as it was set on the source, else unknown (0).
TEST_F(MisbehavingSource, TheAcquiredPictureKnowsItsResolution) {
    const std::pair<const char*, double> cases[] = {
        {"dib=24", 300}, {"dib=24,noppm", 150}, {"dib=24,noppm uicontrollable=0", 0}};
    TwainAcquisition twain;
    for (const auto& [scenario, dpi] : cases) {
        SCOPED_TRACE(scenario);
        use_scenario(scenario);
        com_ptr<IPictureDisp> picture;
        const AcquireResult r = twain.acquire(picture, 150, 2, false, false);
        EXPECT_EQ(r.status, 0u);
        EXPECT_TRUE(r.replaced && picture);
        EXPECT_EQ(r.dpi_x, dpi);
        EXPECT_EQ(r.dpi_y, dpi);
    }
}

}  // namespace
}  // namespace korvix::twain::test
