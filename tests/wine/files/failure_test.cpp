// Failed saves and loads are silent (the host sees S_OK), leave no file
// behind and never harm the file that was there; a failed load makes the
// picture Nothing and leaves the view showing what it showed.
#include "tests/wine/files/files_fixture.h"

#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/hostkit/view_windows.h"
#include "tests/wine/hostkit/window_capture.h"

namespace korvix::test {
namespace {

class SilentFailures : public FilesTest {};

// A bitmap no JPEG can hold: wider than 65,535 pixels.
com_ptr<IPictureDisp> too_wide_for_jpeg() {
    BITMAPINFO header{};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), 70000, 1, 1, 24, BI_RGB};
    void* bits = nullptr;
    return hostkit::picture_from_bitmap(
        unique_hbitmap(::CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0)));
}

TEST_F(SilentFailures, AFailedSaveLeavesTheFolderAndThePreviousFileAsTheyWere) {
    const std::wstring target = folder_->file(L"keep.bmp");
    const std::vector<uint8_t> previous{'o', 'l', 'd', ' ', 's', 'c', 'a', 'n'};
    ASSERT_TRUE(write_file(target, previous));
    struct Case {
        const char* what;
        LONG file_type;
        com_ptr<IPictureDisp> picture;
        std::wstring name;
    };
    const Case cases[] = {
        {"empty name", 4, hostkit::make_gradient_picture(8, 8), L""},
        {"picture Nothing", 4, nullptr, target},
        {"empty picture", 0, nullptr, target},
        {"the encoder refuses", 1, too_wide_for_jpeg(), target},
        {"folder missing", 3, hostkit::make_gradient_picture(8, 8), folder_->file(L"missing\\page.tif")},
        {"name is a folder", 2, hostkit::make_gradient_picture(8, 8), folder_->path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto control = host_with(c.file_type);
        if (std::string(c.what) != "empty picture")  // a new control's own empty picture otherwise
            putref(control->dispatch(), DISPID_Twain_Picture, c.picture.get());
        save(control->dispatch(), c.name);
        EXPECT_EQ(folder_->entries(), std::vector<std::wstring>{L"keep.bmp"});
        EXPECT_EQ(read_file(target), previous);
    }
}

TEST_F(SilentFailures, AFailedLoadMakesPictureNothingAndLeavesTheView) {
    const std::wstring png = folder_->file(L"good.png"), truncated = folder_->file(L"truncated.png"),
                       text = folder_->file(L"notes.png");
    {
        auto saver = host_with(4);
        putref(saver->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(120, 90).get());
        save(saver->dispatch(), png);
    }
    std::vector<uint8_t> bytes = read_file(png);
    bytes.resize(bytes.size() / 2);
    ASSERT_TRUE(write_file(truncated, bytes));
    ASSERT_TRUE(write_file(text, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));

    auto control = host_new();
    const HWND box = reinterpret_cast<HWND>(static_cast<LONG_PTR>(get(control->dispatch(), DISPID_Twain_hwnd)->lVal));
    for (const std::wstring& name : {folder_->file(L"missing.png"), text, truncated, std::wstring()}) {
        SCOPED_TRACE(narrow(name));
        putref(control->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(40, 30).get());
        hostkit::pump_messages();
        const RECT before = hostkit::child_rect_pixels(box);
        load(control->dispatch(), name);
        EXPECT_FALSE(picture(control->dispatch())) << "Picture is Nothing";
        EXPECT_EQ(get(control->dispatch(), DISPID_Twain_BitmapWidth)->lVal, 0);
        hostkit::pump_messages();
        const RECT after = hostkit::child_rect_pixels(box);
        EXPECT_TRUE(::EqualRect(&before, &after)) << "the layout is the previous picture's";
        ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const hostkit::window_capture pixels = hostkit::capture_window(box);
        EXPECT_EQ(pixels.at(20, 10), hostkit::gradient_pixel(20, 10, 40, 30)) << "its pixels are still shown";
    }
    EXPECT_EQ(folder_->entries(), (std::vector<std::wstring>{L"good.png", L"notes.png", L"truncated.png"}));
}

}  // namespace
}  // namespace korvix::test
