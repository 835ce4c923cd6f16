// The About box through the control: its texts, OK closes it and returns
// from About, a second About builds it again, and a click on the address
// asks the shell to open it (the shell call is intercepted: no browser).
#include "tests/wine/files/files_fixture.h"

#include <atomic>

#include "about/about_box.h"
#include "tests/wine/hostkit/import_patch.h"
#include "tests/wine/hostkit/modal_watcher.h"

namespace korvix::test {
namespace {

using hostkit::modal_watcher;

class AboutBox : public FilesTest {};

TEST_F(AboutBox, ShowsItsTextsAndClosesOnOkEveryTime) {
    auto control = host_new();
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    for (int showing = 0; showing < 2; ++showing) {
        std::wstring caption, title, copyright, notice, address;
        bool form_disabled = false;
        modal_watcher user([&](HWND box) {
            caption = hostkit::window_text(box);
            title = hostkit::child_text(box, about_ids::title);
            copyright = hostkit::child_text(box, about_ids::copyright);
            notice = hostkit::child_text(box, about_ids::notice);
            address = hostkit::child_text(box, about_ids::address);
            form_disabled = !::IsWindowEnabled(frame_->hwnd());
            hostkit::press(box, IDOK);
        });
        EXPECT_EQ(hostkit::dispatch_call(control->dispatch(), DISPID_Twain_About).hr, S_OK);
        EXPECT_EQ(user.dialogs_seen(), 1) << "showing " << showing;
        EXPECT_FALSE(user.watchdog_fired());
        EXPECT_EQ(caption, L"About Valdane Korvid Lite ActiveX 1.1");
        EXPECT_EQ(title, L"Valdane Korvid Lite ActiveX 1.1 - KORVIXLITE");
        EXPECT_EQ(copyright, L"Copyright \u00A9 " + std::to_wstring(now.wYear) + L" Korvix");
        EXPECT_GT(notice.size(), 40u);
        EXPECT_EQ(address, L"Web: https://korvix.example/");
        EXPECT_TRUE(form_disabled) << "modal: the host's form waits";
        EXPECT_TRUE(::IsWindowEnabled(frame_->hwnd())) << "and is enabled again";
    }
}

struct ShellCall {
    std::atomic<int> count{0};
    HWND owner = nullptr;
    std::wstring verb, file;
    bool no_parameters = false;
    INT show = 0;
} g_shell;

HINSTANCE WINAPI record_shell_execute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder,
                                      INT show) {
    g_shell.owner = owner;
    g_shell.verb = verb ? verb : L"";
    g_shell.file = file ? file : L"";
    g_shell.no_parameters = !parameters && !folder;
    g_shell.show = show;
    ++g_shell.count;
    return reinterpret_cast<HINSTANCE>(42);
}

TEST_F(AboutBox, ClickingTheAddressAsksTheShellToOpenIt) {
    auto control = host_new();
    hostkit::import_patch intercept(::GetModuleHandleW(L"korvixlite.ocx"), "shell32.dll", "ShellExecuteW",
                                    reinterpret_cast<const void*>(&record_shell_execute));
    ASSERT_TRUE(intercept.active());
    HWND box_seen = nullptr;
    modal_watcher user([&](HWND box) {
        box_seen = box;
        const HWND label = ::GetDlgItem(box, about_ids::address);
        ::PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        ::PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        for (int i = 0; i < 250 && g_shell.count == 0; ++i) ::Sleep(20);
        hostkit::press(box, IDOK);
    });
    EXPECT_EQ(hostkit::dispatch_call(control->dispatch(), DISPID_Twain_About).hr, S_OK);
    EXPECT_FALSE(user.watchdog_fired());
    ASSERT_EQ(g_shell.count, 1);
    EXPECT_EQ(g_shell.owner, box_seen);
    EXPECT_EQ(g_shell.verb, L"open");
    EXPECT_EQ(g_shell.file, L"https://korvix.example/");
    EXPECT_TRUE(g_shell.no_parameters);
    EXPECT_EQ(g_shell.show, SW_SHOW);
}

}  // namespace
}  // namespace korvix::test
