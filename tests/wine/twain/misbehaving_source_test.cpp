// The control against a source that misbehaves in every way the protocol
// allows, driven through Wine's real DSM. In each case the host gets control
// back, the picture is what the outcome of the acquisition says (a new,
// correct picture, or the old one), the temporary file is gone and no
// window or memory is left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/twain/scan_test_support.h"
#include "tests/wine/twain/scripted_pattern.h"
#include "twain/win/twain_acquisition.h"

namespace korvix::twain::test {
namespace {

std::string source_log() {
    HMODULE source = ::GetModuleHandleA("sane.ds");
    using log_fn = const char*(WINAPI*)();
    auto log = source ? reinterpret_cast<log_fn>(::GetProcAddress(source, "KorvixScriptedLog")) : nullptr;
    return log ? log() : "";
}

enum class during { nothing, close_window, post_quit };

struct source_case {
    std::string name;
    std::string scenario;
    bool replaced;
    int width = 0, height = 0;   // of the new picture (0: not checked)
    dib_kind pixels{};           // checked pixel by pixel when check_pixels
    during action = during::nothing;
    std::string log_has, log_lacks;
    bool check_pixels = false;
};

std::vector<source_case> cases() {
    std::vector<source_case> c = {
        // Capability refusals, one at a time.
        {"indicators refused: ignored", "refuse_set=100B", true, 413, 585},
        {"interface query refused: the source's own settings", "refuse_get=100E", true, 827, 1169, {}, during::nothing,
         "ENABLEDS", "SET 4376"},
        {"physical width refused", "refuse_get=1111", false, 0, 0, {}, during::nothing, "", "ENABLEDS"},
        {"physical height refused", "refuse_get=1112", false, 0, 0, {}, during::nothing, "", "ENABLEDS"},
        {"layout refused", "layout=refuse", false, 0, 0, {}, during::nothing, "LAYOUT", "ENABLEDS"},
        {"X resolution refused", "refuse_set=1118", false, 0, 0, {}, during::nothing, "SET 4376", "SET 4377"},
        {"Y resolution refused", "refuse_set=1119", false, 0, 0, {}, during::nothing, "SET 4377", "SET 257"},
        {"pixel type refused", "refuse_set=0101", false, 0, 0, {}, during::nothing, "SET 257", "ENABLEDS"},
        {"bit depth refused: ignored", "refuse_set=112B", true, 413, 585, {}, during::nothing, "SET 4395", ""},
        {"transfer count refused", "refuse_set=0001", false, 0, 0, {}, during::nothing, "SET 1", "ENABLEDS"},
        // Unusual answers.
        {"interface not controllable", "uicontrollable=0", true, 827, 1169, {}, during::nothing, "", "LAYOUT"},
        {"physical width 0: no layout sent", "width=0", true, 413, 585, {}, during::nothing, "ENABLEDS", "LAYOUT"},
        {"layout answered with TWRC_CHECKSTATUS", "layout=checkstatus", true, 413, 585},
        {"close request instead of a transfer", "signal=closedsreq", false},
        {"transfer cancelled with a handle", "xfer=cancel dib=24,size=600x400", false},
        {"transfer cancelled without a handle", "xfer=cancel_nohandle", false},
        {"transfer failed", "xfer=failure", false},
        {"end of transfer refused", "endxfer=refuse dib=24", false},
        {"more images pending", "pending=2", true, 413, 585, {}, during::nothing, "DISABLEDS", ""},
        {"disable refused with images pending", "pending=1 disable=refuse", true, 413, 585},
        {"a lying header: rows past the block", "dib=24,lie", false},
        {"a huge header: 60000 x 60000 x 32 bits", "dib=32,huge", false},
        // Valid, written to the file, but wider than the loader takes: the file still goes.
        {"a page wider than the loader takes", "dib=24,size=70000x2", false},
        {"never signals until its window is closed", "signal=never", false, 0, 0, {}, during::close_window},
        {"quit message while the source waits", "signal=never", false, 0, 0, {}, during::post_quit},
    };
    // Every kind of DIB a driver sends, in both row orders.
    struct kind_case {
        const char* shape;
        dib_kind kind;
    };
    auto kind = [](std::uint16_t bits, std::uint32_t clr, bool bitfields = false, std::uint32_t header = 40) {
        dib_kind k;
        k.bits = bits;
        k.clr_used = clr;
        k.bitfields = bitfields;
        k.header = header;
        return k;
    };
    const kind_case kinds[] = {
        {"1", kind(1, 0)},           {"4,clr=16", kind(4, 16)},   {"8", kind(8, 0)},
        {"8,clr=16", kind(8, 16)},   {"8,clr=256", kind(8, 256)}, {"24", kind(24, 0)},
        {"32", kind(32, 0)},         {"16", kind(16, 0)},         {"16,bitfields", kind(16, 0, true)},
        {"32,bitfields", kind(32, 0, true)}, {"32,bitfields,v5", kind(32, 0, true, 124)},
    };
    for (const kind_case& k : kinds)
        for (const bool top_down : {false, true}) {
            dib_kind d = k.kind;
            d.top_down = top_down;
            c.push_back({std::string("DIB ") + k.shape + (top_down ? ", top-down" : ""),
                         std::string("dib=") + k.shape + (top_down ? ",topdown" : ""), true, d.width, d.height, d,
                         during::nothing, "", "", true});
        }
    return c;
}

class MisbehavingSource : public ::testing::Test {
protected:
    void SetUp() override { ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE", nullptr); }
    void TearDown() override { ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE", nullptr); }
};

TEST_F(MisbehavingSource, EveryCaseEndsCleanlyWithThePictureItsOutcomeGives) {
    scan_host host;
    host.settings(50, 2, false, false);
    hostkit::pump_messages();
    const auto temp_before = acquisition_temp_files();
    const std::size_t windows = hostkit::thread_window_count();
    for (const source_case& c : cases()) {
        SCOPED_TRACE(c.name);
        ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE", c.scenario.c_str());
        std::unique_ptr<dialog_answer> close;
        std::thread quitter;
        if (c.action == during::close_window) close = std::make_unique<dialog_answer>(L"Korvix Virtual Scanner", 0);
        if (c.action == during::post_quit) {
            const DWORD ui_thread = ::GetCurrentThreadId();
            quitter = std::thread([ui_thread] {
                ::Sleep(400);
                ::PostThreadMessageW(ui_thread, WM_QUIT, 42, 0);
            });
        }
        const com_ptr<IPictureDisp> before = host.picture();
        const hostkit::dispatch_result r = host.scan();
        MSG quit{};
        const bool quit_waiting = ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        if (quitter.joinable()) quitter.join();

        EXPECT_TRUE(r.ok()) << hostkit::describe(r);
        const com_ptr<IPictureDisp> after = host.picture();
        EXPECT_EQ(after.get() != before.get(), c.replaced);
        if (c.replaced && c.width) {
            const picture_pixels p = read_picture(after.get());
            EXPECT_EQ(p.width, c.width);
            EXPECT_EQ(p.height, c.height);
            if (c.check_pixels && p.width == c.width && p.height == c.height && !p.rgb.empty()) {
                for (int y = 0; y < p.height; ++y)
                    for (int x = 0; x < p.width; ++x)
                        EXPECT_EQ(p.at(x, y), expected_colour(c.pixels, x, y)) << "pixel " << x << "," << y;
            }
        }
        if (close) {
            EXPECT_TRUE(close->answered());
        }
        EXPECT_EQ(quit_waiting, c.action == during::post_quit) << "the quit message reaches the host's loop";
        if (quit_waiting) {
            EXPECT_EQ(quit.wParam, 42u);
        }
        const std::string log = source_log();
        if (!c.log_has.empty()) {
            EXPECT_NE(log.find(c.log_has), std::string::npos) << log;
        }
        if (!c.log_lacks.empty()) {
            EXPECT_EQ(log.find(c.log_lacks), std::string::npos) << log;
        }
        EXPECT_EQ(acquisition_temp_files(), temp_before);
        hostkit::pump_messages();
        EXPECT_EQ(hostkit::thread_window_count(), windows);
    }
}

// The paths that leave a DIB in the control's hands without a picture,
// again and again with a 3 MB image: its memory is given back every time.
TEST_F(MisbehavingSource, RefusedImagesAreFreed) {
    scan_host host;
    host.settings(50, 2, false, false);
    const char* scenarios[] = {"xfer=cancel dib=24,size=1000x1000", "endxfer=refuse dib=24,size=1000x1000",
                               "dib=24,size=1000x1000,lie"};
    for (const char* scenario : scenarios) {
        SCOPED_TRACE(scenario);
        ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE", scenario);
        ASSERT_TRUE(host.scan().ok());
        const std::size_t committed = hostkit::committed_private_bytes();
        for (int i = 0; i < 8; ++i) ASSERT_TRUE(host.scan().ok());
        EXPECT_LT(static_cast<double>(hostkit::committed_private_bytes()), committed + 2.5e6);
    }
}

// The picture remembers the resolution it was scanned at: as the DIB states
// it, else as it was set on the source, else unknown (0).
TEST_F(MisbehavingSource, TheAcquiredPictureKnowsItsResolution) {
    struct dpi_case {
        const char* scenario;
        double dpi;
    };
    const dpi_case cases[] = {{"dib=24", 300}, {"dib=24,noppm", 150}, {"dib=24,noppm uicontrollable=0", 0}};
    TwainAcquisition twain;
    for (const dpi_case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE", c.scenario);
        com_ptr<IPictureDisp> picture;
        const AcquireResult r = twain.acquire(picture, 150, 2, false, false);
        EXPECT_EQ(r.status, 0u);
        ASSERT_TRUE(r.replaced);
        ASSERT_TRUE(picture);
        EXPECT_EQ(r.dpi_x, c.dpi);
        EXPECT_EQ(r.dpi_y, c.dpi);
    }
}

}  // namespace
}  // namespace korvix::twain::test
