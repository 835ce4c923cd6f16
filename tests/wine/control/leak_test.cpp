// Hundreds of controls come and go on a form: nothing may pile up.
#include "tests/wine/control/control_test_env.h"

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"

#include <cstdio>

namespace korvix::test {
namespace {

// One form life: host, show a picture, scroll-sized layout, tear down.
// Returns the bitmap the control was given, which must be gone afterwards.
HBITMAP host_once(HWND frame, LONG* site_refs, LONG* sink_refs) {
    HBITMAP bitmap = nullptr;
    {
        hostkit::hosted_control control(frame, kControlRect);
        EXPECT_EQ(control.init_new(), S_OK);
        EXPECT_EQ(control.activate(), S_OK);
        {
            auto picture = hostkit::make_gradient_picture(600, 300);  // needs a bar: the cut-out path runs
            bitmap = static_cast<HBITMAP>(hostkit::picture_handle(picture.get()));
            ControlTest::putref(control.dispatch(), DISPID_Twain_Picture, picture.get());
        }
        ControlTest::get(control.dispatch(), DISPID_Twain_BitmapWidth);
        ControlTest::get(control.dispatch(), DISPID_Twain_hDC);
        hostkit::pump_messages();
        control.teardown();
        *site_refs = control.site().ref_count();
        *sink_refs = control.notifications().ref_count();
    }
    hostkit::pump_messages();
    return bitmap;
}

}  // namespace

class Leaks : public ControlTest {};

TEST_F(Leaks, FiveHundredHostedInstancesLeaveNothingBehind) {
    LONG site_refs = 0, sink_refs = 0;
    for (int i = 0; i < 20; ++i) host_once(frame_->hwnd(), &site_refs, &sink_refs);  // warm caches and heaps
    const size_t windows_before = hostkit::thread_window_count();
    const size_t memory_before = hostkit::committed_private_bytes();

    std::vector<HBITMAP> bitmaps;
    int kept_site = 0, kept_sink = 0;
    for (int i = 0; i < 500; ++i) {
        bitmaps.push_back(host_once(frame_->hwnd(), &site_refs, &sink_refs));
        if (site_refs != 1) ++kept_site;
        if (sink_refs != 1) ++kept_sink;
        if (HasFailure()) return;
    }
    ::CoFreeUnusedLibraries();
    const size_t windows_after = hostkit::thread_window_count();
    const size_t memory_after = hostkit::committed_private_bytes();

    std::printf("[ measured ] windows %u -> %u, committed private memory %u -> %u bytes\n",
                static_cast<unsigned>(windows_before), static_cast<unsigned>(windows_after),
                static_cast<unsigned>(memory_before), static_cast<unsigned>(memory_after));
    EXPECT_EQ(windows_after, windows_before) << "windows left over";
    // A leak of one small block per instance shows as 500 of them.
    const long long growth = static_cast<long long>(memory_after) - static_cast<long long>(memory_before);
    EXPECT_LT(growth, 512 * 1024) << "committed private memory grew by " << growth << " bytes";
    int alive = 0;
    for (HBITMAP b : bitmaps)
        if (::GetObjectType(b) != 0) ++alive;
    EXPECT_EQ(alive, 0) << "bitmaps of released pictures still exist";
    EXPECT_EQ(kept_site, 0) << "instances that kept a reference to their site";
    EXPECT_EQ(kept_sink, 0) << "instances that kept the notification sink";
    EXPECT_EQ(hostkit::module_can_unload(hostkit::module_under_test()), S_OK) << "objects of the module still alive";
}

TEST_F(Leaks, ReplacedPicturesAreReleased) {
    auto control = host_new();
    std::vector<HBITMAP> replaced;
    for (int i = 0; i < 50; ++i) {
        auto picture = hostkit::make_gradient_picture(100 + i, 80);
        replaced.push_back(static_cast<HBITMAP>(hostkit::picture_handle(picture.get())));
        putref(control->dispatch(), DISPID_Twain_Picture, picture.get());
    }
    // All but the last are no longer referenced by anybody.
    int alive = 0;
    for (size_t i = 0; i + 1 < replaced.size(); ++i)
        if (::GetObjectType(replaced[i]) != 0) ++alive;
    EXPECT_EQ(alive, 0);
    EXPECT_NE(::GetObjectType(replaced.back()), 0u) << "the current picture must still be alive";
    control.reset();
    EXPECT_EQ(::GetObjectType(replaced.back()), 0u);
}

}  // namespace korvix::test
