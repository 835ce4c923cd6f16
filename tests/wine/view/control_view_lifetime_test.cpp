#include <gtest/gtest.h>

#include "view/window_classes.h"
#include "view_fixture.h"

namespace korvix {
namespace {

using testing::count_thread_windows;
using testing::HostWindow;
using testing::make_picture;
using testing::RecordingSite;

TEST(ControlViewLifetime, TwoHundredViewsLeaveNoWindowsPicturesOrClasses) {
    HostWindow host;
    RecordingSite site;
    // One view first, so lazily made system objects are not counted as leaks.
    {
        ControlView warm(site);
        warm.set_tool_tip_text(L"warm");
    }
    const int windows_before = count_thread_windows();
    std::vector<HBITMAP> released;
    for (int i = 0; i < 200; ++i) {
        auto view = std::make_unique<ControlView>(site);
        view->set_border_style(static_cast<SHORT>(i % 2));
        view->attach(host.get(), RECT{0, 0, 100 + i, 80});
        HBITMAP handle = nullptr;
        {
            com_ptr<IPictureDisp> picture = make_picture(150 + i, 120, RGB(9, 9, 9), &handle);
            view->set_view_picture(picture.get());
        }
        released.push_back(handle);
        if (i % 3 == 0) view->set_tool_tip_text(L"tip");
        view->refresh();
        if (i % 2) view->detach();
        EXPECT_GT(count_thread_windows(), windows_before);
    }
    EXPECT_EQ(count_thread_windows(), windows_before);
    int alive = 0;
    for (HBITMAP h : released) alive += ::GetObjectType(h) != 0;
    EXPECT_EQ(alive, 0);  // every picture the views held was released
    WNDCLASSEXW wc{sizeof wc};
    EXPECT_FALSE(::GetClassInfoExW(view_module(), L"KorvixViewSurface", &wc));
}

TEST(ControlViewLifetime, ContainerDestroyingItsWindowFirstIsSurvived) {
    RecordingSite site;
    auto view = std::make_unique<ControlView>(site);
    {
        HostWindow host;
        view->attach(host.get(), RECT{0, 0, 100, 100});
        com_ptr<IPictureDisp> picture = make_picture(300, 300);
        view->set_view_picture(picture.get());
    }  // the host window and our windows with it are gone
    EXPECT_EQ(view->surface_hwnd(), nullptr);
    EXPECT_NO_THROW(view->refresh());
    view->detach();
    const int before = count_thread_windows();
    view.reset();
    EXPECT_LE(count_thread_windows(), before);
}

}  // namespace
}  // namespace korvix
