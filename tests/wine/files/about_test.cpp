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
using hostkit::window_text;

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

class AboutBox : public FilesTest {};

TEST_F(AboutBox, ShowsItsTextsEveryTimeClosesOnOkAndItsAddressAsksTheShellToOpenIt) {
    const hostkit::import_patch intercept(::GetModuleHandleW(L"korvixlite.ocx"), "shell32.dll", "ShellExecuteW",
                                          reinterpret_cast<const void*>(&record_shell_execute));
    ASSERT_TRUE(intercept.active());
    auto control = host_new();
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    HWND clicked_box = nullptr;
    for (int showing = 0; showing < 2; ++showing) {
        SCOPED_TRACE("showing " + std::to_string(showing));
        std::vector<std::wstring> texts;
        bool form_disabled = false;
        modal_watcher user([&](HWND box) {
            texts = {window_text(box)};
            for (int id : {about_ids::title, about_ids::copyright, about_ids::notice, about_ids::address})
                texts.push_back(window_text(::GetDlgItem(box, id)));
            form_disabled = !::IsWindowEnabled(frame_->hwnd());
            if (showing == 0) {  // the address label is clicked
                clicked_box = box;
                const HWND label = ::GetDlgItem(box, about_ids::address);
                ::PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
                ::PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
                for (int i = 0; i < 250 && g_shell.count == 0; ++i) ::Sleep(20);
            }
            hostkit::press(box, IDOK);
        });
        EXPECT_EQ(hostkit::dispatch_call(control->dispatch(), DISPID_Twain_About).hr, S_OK);
        EXPECT_EQ(user.dialogs_seen(), 1);
        EXPECT_FALSE(user.watchdog_fired());
        ASSERT_EQ(texts.size(), 5u);
        EXPECT_EQ(texts[0], L"About Valdane Korvid Lite ActiveX 1.1");
        EXPECT_EQ(texts[1], L"Valdane Korvid Lite ActiveX 1.1 - KORVIXLITE");
        EXPECT_EQ(texts[2], L"Copyright \u00A9 " + std::to_wstring(now.wYear) + L" Korvix");
        EXPECT_NE(texts[3].find(L"without warranty of any kind"), std::wstring::npos);
        EXPECT_EQ(texts[4], L"Web: https://korvix.example/");
        EXPECT_TRUE(form_disabled) << "modal: the host's form waits";
        EXPECT_TRUE(::IsWindowEnabled(frame_->hwnd())) << "and is enabled again";
    }
    ASSERT_EQ(g_shell.count, 1);
    EXPECT_EQ(g_shell.owner, clicked_box);
    EXPECT_EQ(g_shell.verb, L"open");
    EXPECT_EQ(g_shell.file, L"https://korvix.example/");
    EXPECT_TRUE(g_shell.no_parameters);
    EXPECT_EQ(g_shell.show, SW_SHOW);
}

}  // namespace
}  // namespace korvix::test
