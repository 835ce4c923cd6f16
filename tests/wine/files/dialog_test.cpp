// ShowSave and ShowLoad with the real dialogs, answered by a watcher thread
// as a user would: cancelling, overwriting, the typed name choosing the
// format (never the filter), a missing file refused. (The
// filter reaching a script's variable is checked from VBScript,
// tests/wine/vbscript.)
#include "tests/wine/files/files_fixture.h"

#include <dlgs.h>

#include "tests/wine/hostkit/modal_watcher.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {
namespace {

using hostkit::modal_watcher;

bool is_file_dialog(HWND dialog) { return ::GetDlgItem(dialog, cmb13) != nullptr; }

HRESULT show(IDispatch* control, DISPID method) {
    return hostkit::dispatch_call(control, method, {*unique_variant::bstr(L"PNG|*.png").get(),
                                                    *unique_variant::bstr(L"Pick a scan").get()}).hr;
}

class Dialogs : public FilesTest {};

TEST_F(Dialogs, AUserCancelsThenSavesOverAFileThenOpensOnlyAnExistingOne) {
    auto saver = host_with(4);  // PNG until ShowSave
    auto original = hostkit::make_gradient_picture(30, 20);
    putref(saver->dispatch(), DISPID_Twain_Picture, original.get());
    const std::wstring chosen = file(L"chosen.jpg"), plain = file(L"plain");
    ASSERT_TRUE(write_file(chosen, {'o', 'l', 'd'}));
    put(saver->dispatch(), DISPID_Twain_filename, unique_variant::bstr(file(L"keep.png")));
    saver->notifications().clear();
    {
        modal_watcher user([](HWND dialog) { hostkit::press(dialog, IDCANCEL); });
        for (DISPID method : {DISPID_Twain_ShowSave, DISPID_Twain_ShowLoad})
            EXPECT_EQ(show(saver->dispatch(), method), S_OK);
        EXPECT_EQ(user.dialogs_seen(), 2);
    }
    EXPECT_EQ(get(saver->dispatch(), DISPID_Twain_FileType)->lVal, 4) << "cancelled: nothing changes";
    EXPECT_EQ(get(saver->dispatch(), DISPID_Twain_filename).as_string(), file(L"keep.png"));
    EXPECT_EQ(picture(saver->dispatch()).get(), original.get());
    EXPECT_EQ(read_file(chosen), (std::vector<uint8_t>{'o', 'l', 'd'})) << "nothing saved";

    std::wstring title;
    int prompts = 0, refusals = 0;
    {
        modal_watcher user([&](HWND dialog) {
            if (!is_file_dialog(dialog)) {  // "... already exists. Replace it?"
                ++prompts;
                return hostkit::press(dialog, IDYES);
            }
            title = hostkit::window_text(dialog);
            hostkit::choose_file(dialog, chosen);
        });
        EXPECT_EQ(show(saver->dispatch(), DISPID_Twain_ShowSave), S_OK);
        EXPECT_FALSE(user.watchdog_fired());
    }
    EXPECT_EQ(title, L"Pick a scan");
    EXPECT_EQ(prompts, 1) << "the overwrite prompt";
    EXPECT_EQ(read_file(chosen).at(1), 0xD8) << "a JPEG, as the typed name says, whatever FileType and filter were";
    EXPECT_EQ(get(saver->dispatch(), DISPID_Twain_FileType)->lVal, 0);
    EXPECT_EQ(get(saver->dispatch(), DISPID_Twain_filename).as_string(), chosen);
    EXPECT_TRUE(saver->notifications().changed_ids().empty()) << "neither FileType nor filename is announced";
    {
        modal_watcher user([&](HWND dialog) { hostkit::choose_file(dialog, plain); });
        EXPECT_EQ(show(saver->dispatch(), DISPID_Twain_ShowSave), S_OK);
    }
    EXPECT_EQ(read_file(plain).at(0), 'B') << "a name typed without an extension stays a BMP";

    auto loader = host_new();
    {
        modal_watcher user([&](HWND dialog) {
            if (is_file_dialog(dialog)) return hostkit::choose_file(dialog, file(L"no such page.bmp"));
            ++refusals;  // the file does not exist: a prompt owned by the file dialog
            const HWND file_dialog = ::GetWindow(dialog, GW_OWNER);
            hostkit::press(dialog, IDOK);
            hostkit::choose_file(file_dialog, plain);
        });
        EXPECT_EQ(show(loader->dispatch(), DISPID_Twain_ShowLoad), S_OK);
        EXPECT_FALSE(user.watchdog_fired());
    }
    EXPECT_EQ(refusals, 1) << "a missing file is refused by the dialog";
    EXPECT_EQ(get(loader->dispatch(), DISPID_Twain_filename).as_string(), plain);
    EXPECT_EQ(picture_difference(original.get(), picture(loader->dispatch()).get()), 0);
}

}  // namespace
}  // namespace korvix::test
