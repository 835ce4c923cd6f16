// What the scanning suites share: the control hosted on a form, its picture
// read back pixel by pixel, and a watch on the user's temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::twain::test {

// The control, new and in-place active on a form of its own. Scan and
// SelectSource go through IDispatch, as a host's script calls them.
class scan_host {
public:
    scan_host()
        : frame_(L"Korvix scan test", SIZE{360, 280}),
          control_(hostkit::host_new_control(frame_.hwnd(), {0, 0, 320, 240})) {
        hostkit::pump_messages();
    }
    ITwain* twain() const noexcept { return control_->twain(); }
    hostkit::hosted_control& hosted() const noexcept { return *control_; }
    HWND frame() const noexcept { return frame_.hwnd(); }

    void settings(SHORT resolution, LONG color_type, bool show_progress, bool show_interface) const {
        EXPECT_EQ(twain()->put_Resolution(resolution), S_OK);
        EXPECT_EQ(twain()->put_ColorType(color_type), S_OK);
        EXPECT_EQ(twain()->put_ShowProgress(show_progress ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        EXPECT_EQ(twain()->put_ShowInterface(show_interface ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
    }
    hostkit::dispatch_result scan() const { return hostkit::dispatch_call(control_->dispatch(), DISPID_Twain_Scan); }
    hostkit::dispatch_result select_source() const {
        return hostkit::dispatch_call(control_->dispatch(), DISPID_Twain_SelectSource);
    }
    com_ptr<IPictureDisp> picture() const {
        com_ptr<IPictureDisp> p;
        EXPECT_EQ(twain()->get_Picture(p.put()), S_OK);
        return p;
    }

private:
    hostkit::frame_window frame_;
    std::unique_ptr<hostkit::hosted_control> control_;
};

// A picture's bitmap as 0xRRGGBB pixels, top row first (empty when it has none).
struct picture_pixels {
    int width = 0, height = 0, bits = 0;  // bits: the bitmap's own depth
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

inline picture_pixels read_picture(IPictureDisp* picture) {
    picture_pixels out;
    const auto bitmap = static_cast<HBITMAP>(hostkit::picture_handle(picture));
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return out;
    out = {info.bmWidth, info.bmHeight, info.bmBitsPixel,
           std::vector<std::uint32_t>(static_cast<std::size_t>(info.bmWidth) * info.bmHeight)};
    BITMAPINFO bi{};
    bi.bmiHeader = {static_cast<DWORD>(sizeof bi.bmiHeader), out.width, -out.height, 1, 32};
    window_dc screen(nullptr);
    const UINT rows = static_cast<UINT>(out.height);
    if (::GetDIBits(screen.get(), bitmap, 0, rows, out.rgb.data(), &bi, DIB_RGB_COLORS) != out.height)
        out.rgb.clear();
    for (std::uint32_t& p : out.rgb) p &= 0xFFFFFF;
    return out;
}

inline void find_close_change(HANDLE watch) noexcept { ::FindCloseChangeNotification(watch); }

// Watches the user's temporary folder from now on: any file created,
// written, renamed or deleted in it shows.
class temp_folder_watch {
public:
    temp_folder_watch() {
        wchar_t folder[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, folder);
        folder_ = folder;
        const HANDLE watch = ::FindFirstChangeNotificationW(
            folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
        if (watch != INVALID_HANDLE_VALUE) watch_.reset(watch);
    }
    bool watching() const noexcept { return static_cast<bool>(watch_); }
    const std::wstring& folder() const noexcept { return folder_; }
    // Whether anything changed; waits a moment for changes still on their way.
    bool changed() const noexcept { return watch_ && ::WaitForSingleObject(watch_.get(), 500) == WAIT_OBJECT_0; }

private:
    std::wstring folder_;
    unique_resource<HANDLE, find_close_change> watch_;
};

}  // namespace korvix::twain::test
