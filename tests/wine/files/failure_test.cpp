// Failed saves and loads are silent (the host sees S_OK), leave no file
// behind and never harm the file that was there, and a failed save still
// shuts GDI+ down; a failed load makes the picture Nothing and leaves the view
// showing what it showed.
#include "tests/wine/files/files_fixture.h"

#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/hostkit/view_windows.h"
#include "tests/wine/hostkit/window_capture.h"

namespace korvix::test {
namespace {

class SilentFailures : public FilesTest {};

TEST_F(SilentFailures, AFailedSaveLeavesTheFolderAndThePreviousFileAsTheyWere) {
    const std::vector<uint8_t> previous{'o', 'l', 'd'};
    ASSERT_TRUE(write_file(file(L"keep.bmp"), previous));
    const BITMAPINFO too_wide_for_jpeg{{sizeof(BITMAPINFOHEADER), 70000, 1, 1, 24, BI_RGB}};
    void* bits = nullptr;
    const com_ptr<IPictureDisp> gradient = hostkit::make_gradient_picture(8, 8), none;
    const struct {
        const char* what;
        LONG file_type;
        com_ptr<IPictureDisp> picture;
        std::wstring name;
    } cases[] = {
        {"empty name", 4, gradient, L""},
        {"picture Nothing", 4, none, file(L"keep.bmp")},
        {"empty picture", 2, hostkit::picture_from_bitmap(unique_hbitmap()), file(L"keep.bmp")},
        {"the encoder refuses", 1,
         hostkit::picture_from_bitmap(
             unique_hbitmap(::CreateDIBSection(nullptr, &too_wide_for_jpeg, DIB_RGB_COLORS, &bits, nullptr, 0))),
         file(L"keep.bmp")},
        {"folder missing", 3, gradient, file(L"missing\\page.tif")},
        {"name is a folder", 2, gradient, folder_},
    };
    gdiplus_recorder gdiplus;
    ASSERT_TRUE(gdiplus.active());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto control = host_with(c.file_type);
        putref(control->dispatch(), DISPID_Twain_Picture, c.picture.get());
        save(control->dispatch(), c.name);
        EXPECT_EQ(gdiplus.running, 0) << "GDI+ still started";
        EXPECT_EQ(folder_entries(folder_), std::vector<std::wstring>{L"keep.bmp"});
        EXPECT_EQ(read_file(file(L"keep.bmp")), previous);
    }
}

TEST_F(SilentFailures, AFailedLoadMakesPictureNothingAndLeavesTheView) {
    {
        auto saver = host_with(4);
        putref(saver->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(120, 90).get());
        save(saver->dispatch(), file(L"good.png"));
    }
    std::vector<uint8_t> bytes = read_file(file(L"good.png"));
    bytes.resize(bytes.size() / 2);
    ASSERT_TRUE(write_file(file(L"truncated.png"), bytes));
    ASSERT_TRUE(write_file(file(L"notes.png"), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'}));

    auto control = host_new();
    const HWND box = reinterpret_cast<HWND>(static_cast<LONG_PTR>(get(control->dispatch(), DISPID_Twain_hwnd)->lVal));
    for (const std::wstring& name : {file(L"missing.png"), file(L"notes.png"), file(L"truncated.png"), {}}) {
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
        EXPECT_EQ(hostkit::capture_window(box).at(20, 10), hostkit::gradient_pixel(20, 10, 40, 30)) << "still shown";
    }
    EXPECT_EQ(folder_entries(folder_), (std::vector<std::wstring>{L"good.png", L"notes.png", L"truncated.png"}));
}

}  // namespace
}  // namespace korvix::test
