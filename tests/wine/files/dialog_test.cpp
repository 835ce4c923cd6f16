// ShowSave and ShowLoad with the real dialogs, answered by a watcher thread
// as a user would: the chosen name is saved to or loaded from, cancelling
// changes nothing, the Save dialog asks before overwriting, the Open dialog
// takes only files that exist. (The filter reaching a script's variable is
// checked from VBScript, tests/wine/vbscript.)
#include "tests/wine/files/files_fixture.h"

#include <commdlg.h>
#include <dlgs.h>

#include "tests/wine/hostkit/modal_watcher.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {
namespace {

using hostkit::modal_watcher;

bool is_file_dialog(HWND dialog) { return ::GetDlgItem(dialog, cmb13) != nullptr; }

hostkit::dispatch_result show(IDispatch* control, DISPID method, const std::wstring& filter) {
    return hostkit::dispatch_call(control, method,
                                  {*unique_variant::bstr(filter).get(), *unique_variant::bstr(L"Pick a scan").get()});
}

class Dialogs : public FilesTest {};

TEST_F(Dialogs, ShowSaveWritesABitmapUnderTheChosenNameAfterAskingToOverwrite) {
    auto control = host_with(4);  // PNG until ShowSave
    putref(control->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(30, 20).get());
    const std::wstring chosen = folder_->file(L"chosen.png");
    ASSERT_TRUE(write_file(chosen, {'o', 'l', 'd'}));
    std::wstring title;
    int prompts = 0;
    control->notifications().clear();
    {
        modal_watcher user([&](HWND dialog) {
            if (!is_file_dialog(dialog)) {
                ++prompts;  // "... already exists. Replace it?"
                hostkit::press(dialog, IDYES);
                return;
            }
            title = hostkit::window_text(dialog);
            hostkit::choose_file(dialog, chosen);
        });
        EXPECT_EQ(show(control->dispatch(), DISPID_Twain_ShowSave, L"PNG files|*.png").hr, S_OK);
        EXPECT_FALSE(user.watchdog_fired());
    }
    EXPECT_EQ(title, L"Pick a scan");
    EXPECT_EQ(prompts, 1) << "the overwrite prompt";
    EXPECT_TRUE(starts_with(read_file(chosen), {'B', 'M'})) << "a BMP, whatever the name and filter";
    EXPECT_EQ(get(control->dispatch(), DISPID_Twain_FileType)->lVal, 0);
    EXPECT_EQ(get(control->dispatch(), DISPID_Twain_filename).as_string(), chosen);
    EXPECT_TRUE(control->notifications().changed_ids().empty()) << "neither change is announced";
}

TEST_F(Dialogs, ShowLoadTakesOnlyAnExistingFile) {
    const std::wstring existing = folder_->file(L"page.bmp");
    auto original = hostkit::make_gradient_picture(24, 18);
    {
        auto saver = host_new();
        putref(saver->dispatch(), DISPID_Twain_Picture, original.get());
        save(saver->dispatch(), existing);
    }
    auto control = host_new();
    int refusals = 0;
    {
        modal_watcher user([&](HWND dialog) {
            if (!is_file_dialog(dialog)) return;  // its prompt is answered below
            hostkit::choose_file(dialog, folder_->file(L"no such page.bmp"));
            if (HWND refusal = hostkit::wait_for_owned_dialog(dialog)) {
                ++refusals;
                hostkit::press(refusal, IDOK);
            }
            hostkit::choose_file(dialog, existing);
        });
        EXPECT_EQ(show(control->dispatch(), DISPID_Twain_ShowLoad, L"Bitmaps|*.bmp").hr, S_OK);
        EXPECT_FALSE(user.watchdog_fired());
    }
    EXPECT_EQ(refusals, 1) << "a missing file is refused by the dialog";
    EXPECT_EQ(get(control->dispatch(), DISPID_Twain_filename).as_string(), existing);
    EXPECT_EQ(pixels_of(picture(control->dispatch()).get()).rgb, pixels_of(original.get()).rgb);
}

TEST_F(Dialogs, CancellingEitherDialogChangesNothing) {
    auto control = host_with(3);
    auto shown = hostkit::make_gradient_picture(10, 10);
    putref(control->dispatch(), DISPID_Twain_Picture, shown.get());
    put(control->dispatch(), DISPID_Twain_filename, unique_variant::bstr(folder_->file(L"keep.tif")));
    control->notifications().clear();
    modal_watcher user([](HWND dialog) { hostkit::press(dialog, IDCANCEL); });
    for (DISPID method : {DISPID_Twain_ShowSave, DISPID_Twain_ShowLoad})
        EXPECT_EQ(show(control->dispatch(), method, L"All|*.*").hr, S_OK);
    EXPECT_EQ(user.dialogs_seen(), 2);
    EXPECT_EQ(get(control->dispatch(), DISPID_Twain_FileType)->lVal, 3);
    EXPECT_EQ(get(control->dispatch(), DISPID_Twain_filename).as_string(), folder_->file(L"keep.tif"));
    EXPECT_EQ(picture(control->dispatch()).get(), shown.get());
    EXPECT_TRUE(folder_->entries().empty()) << "nothing saved";
    EXPECT_TRUE(control->notifications().changed_ids().empty());
}

}  // namespace
}  // namespace korvix::test
