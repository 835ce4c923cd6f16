// The control against a source that misbehaves in every way the issue lists,
// driven through Wine's real DSM. In each case the host gets control back,
// the picture is what the acquisition's outcome says (a new, correct picture,
// or the old one), the source is never disabled with transfers pending, a
// bitmap it handed over is deleted, nothing is written to the temporary
// folder and no window or memory is left behind. (The requests in each case
// are checked natively.)
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

// What the source noted (scripted_source.cpp), "" when nothing.
std::string source_noted(const char* what) {
    char text[64] = {};
    ::GetEnvironmentVariableA(what, text, sizeof text);
    return text;
}

bool has_word(const std::string& scenario, const std::string& word) {
    return (" " + scenario + " ").find(" " + word + " ") != std::string::npos;
}

// The kind of DIB a scenario sends ("" for the page).
std::string dib_kind_of(const std::string& scenario) {
    const std::size_t at = (" " + scenario).find(" dib=");
    return at == std::string::npos ? "" : scenario.substr(at + 4, scenario.find(' ', at + 4) - at - 4);
}

struct source_case {
    std::string name, scenario;
    bool replaced;
    int width = 0, height = 0;  // of the new picture: 413 x 585 at the 50 dpi asked, 827 x 1169 at the source's own 100
    bool quit = false;  // with signal=never: a quit message arrives, else its window is closed
};

std::vector<source_case> cases() {
    std::vector<source_case> c = {
        {"indicators refused: ignored", "refuse_set=100B", true, 413, 585},
        {"interface query refused: the settings are offered all the same", "refuse_get=100E", true, 413, 585},
        {"no interface answer, resolution refused: the source's own, the scan goes on",
         "refuse_get=100E refuse_set=1118", true, 827, 1169},
        {"no interface answer, layout and pixel type refused: the scan goes on",
         "refuse_get=100E layout=refuse refuse_set=0101", true, 413, 585},
        {"the all-zero identity refused: the DSM's default opened by its name", "refuse_zero_identity", true, 413,
         585},
        {"no source opens", "refuse_open", false},
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
        {"transfer failed with images pending", "xfer=failure pending", false},
        {"transfer cancelled with images pending", "xfer=cancel pending", false},
        {"a lying header with images pending", "dib=24,lie pending", false},
        {"a bitmap handle, top-down, as a camera sends it", "hbitmap dib=24,topdown", true, 7, 5},
        {"a bitmap handle of 8 bits", "hbitmap dib=8", true, 7, 5},
        {"a bitmap handle of 32 bits", "hbitmap dib=32", true, 7, 5},
        {"a bitmap handle, transfer cancelled", "hbitmap dib=24 xfer=cancel", false},
        {"a bitmap handle, end of transfer refused", "hbitmap dib=24 endxfer=refuse", false},
        {"disable refused with images pending", "pending disable=refuse", true, 413, 585},
        {"a lying header: rows past the block", "dib=24,lie", false},
        {"a huge header: 60000 x 60000 x 32 bits", "dib=32,huge", false},
        {"a page 70000 pixels wide", "dib=24,size=70000x2", true, 70000, 2},
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
    const temp_folder_watch temp;
    ASSERT_TRUE(temp.watching());
    const std::size_t windows = hostkit::thread_window_count();
    for (const source_case& c : cases()) {
        SCOPED_TRACE(c.name);
        use_scenario(c.scenario.c_str());
        ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE_HANDED", nullptr);
        ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE_DISABLE", nullptr);
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
        if (c.replaced && !dib_kind_of(c.scenario).empty()) {
            ASSERT_EQ(p.rgb.size(), static_cast<std::size_t>(c.width) * c.height);
            const dib_kind kind = parse_kind(dib_kind_of(c.scenario));
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x) EXPECT_EQ(p.at(x, y), expected_colour(kind, x, y)) << x << "," << y;
        }
        if (has_word(c.scenario, "hbitmap")) {
            const auto handed = reinterpret_cast<HGDIOBJ>(std::stoul(source_noted("KORVIX_SCRIPTED_SOURCE_HANDED"), nullptr, 16));
            EXPECT_EQ(::GetObjectType(handed), 0u) << "the bitmap the source handed over was not deleted";
        }
        // A source left transferring by its own refusal cannot be disabled.
        EXPECT_EQ(source_noted("KORVIX_SCRIPTED_SOURCE_DISABLE") == "refused",
                  has_word(c.scenario, "disable=refuse") || has_word(c.scenario, "endxfer=refuse"))
            << "disabled with transfers pending";
        EXPECT_EQ(closer ? closer->dialogs_seen() : 1, 1) << "its window was there to close";
        EXPECT_EQ(quit_waiting ? static_cast<int>(quit.wParam) : 0, c.quit ? 42 : 0)
            << "the quit reaches the host's loop again, with its exit code";
        hostkit::pump_messages();
        EXPECT_EQ(hostkit::thread_window_count(), windows);
    }
    EXPECT_FALSE(temp.changed()) << "a scan wrote to " << std::string(temp.folder().begin(), temp.folder().end());
    // The watch itself sees a file come and go.
    const std::wstring probe = temp.folder() + L"korvix-probe.tmp";
    unique_handle file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    file.reset();
    ::DeleteFileW(probe.c_str());
    EXPECT_TRUE(temp.changed());
}

// A user whose default scanner is unplugged still gets the chooser, and can
// pick or cancel.
TEST_F(MisbehavingSource, TheChooserAppearsWhenNoSourceOpens) {
    use_scenario("refuse_open");
    scan_host host;
    for (const int button : {IDOK, IDCANCEL}) {
        const hostkit::modal_watcher answer([button](HWND dialog) { hostkit::press(dialog, button); });
        EXPECT_TRUE(host.select_source().ok());
        EXPECT_EQ(answer.dialogs_seen(), 1) << button;
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

// The picture remembers the resolution it was scanned at: as the image
// states it, else as it was set on the source, else unknown (0). The
// acquisition reports it in dots per inch, and the picture's DIB section
// records it in its header in pixels per metre.
TEST_F(MisbehavingSource, TheAcquiredPictureKnowsItsResolution) {
    struct resolution_case {
        const char* scenario;
        double reported;  // dots per inch
        LONG ppm;         // in the section's header
    };
    const resolution_case cases[] = {
        {"dib=24", 300, 11811},
        {"dib=24,noppm", 150, 5906},
        {"dib=24,noppm uicontrollable=0", 0, 0},
        {"dib=24,noppm refuse_get=100E", 150, 5906},  // offered to a source that does not answer, accepted
        {"dib=24,noppm refuse_get=100E refuse_set=1119", 0, 0},  // one axis refused: not known
        {"hbitmap dib=24", 300, 11811},
        {"hbitmap dib=24,noppm", 150, 5906},
    };
    TwainAcquisition twain;
    for (const resolution_case& c : cases) {
        SCOPED_TRACE(c.scenario);
        use_scenario(c.scenario);
        com_ptr<IPictureDisp> picture;
        const AcquireResult r = twain.acquire(picture, ScanSettings{150, 2, false, false});
        EXPECT_EQ(r.status, 0u);
        ASSERT_TRUE(r.replaced && picture);
        EXPECT_EQ(r.dpi_x, c.reported);
        EXPECT_EQ(r.dpi_y, c.reported);
        DIBSECTION section{};
        ASSERT_EQ(::GetObjectW(hostkit::picture_handle(picture.get()), sizeof section, &section),
                  static_cast<int>(sizeof section));
        EXPECT_EQ(section.dsBmih.biXPelsPerMeter, c.ppm);
        EXPECT_EQ(section.dsBmih.biYPelsPerMeter, c.ppm);
    }
}

}  // namespace
}  // namespace korvix::twain::test
