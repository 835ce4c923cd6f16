// What the scanning suites share: the control hosted on a form with typed
// access to its scan settings, the picture read back pixel by pixel, the
// temporary files of acquisitions, a watcher that answers dialogs from
// another thread, and a recorder of the control's events.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/win/unique_resource.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/hosted_control.h"

namespace korvix::twain::test {

// The control, new and in-place active on a form of its own.
class scan_host {
public:
    scan_host();
    ~scan_host();
    IDispatch* control() const noexcept { return control_->dispatch(); }
    hostkit::hosted_control& hosted() const noexcept { return *control_; }
    HWND frame() const noexcept { return frame_->hwnd(); }

    // Resolution, ColorType, ShowProgress, ShowInterface.
    void settings(std::int16_t resolution, std::int32_t color_type, bool show_progress, bool show_interface);
    hostkit::dispatch_result scan() const;
    hostkit::dispatch_result select_source() const;
    com_ptr<IPictureDisp> picture() const;

private:
    std::unique_ptr<hostkit::frame_window> frame_;
    std::unique_ptr<hostkit::hosted_control> control_;
};

// A picture's bitmap as 0xRRGGBB pixels, top row first (empty when it has none).
struct picture_pixels {
    int width = 0, height = 0;
    int bits = 0;  // the bitmap's own depth
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};
picture_pixels read_picture(IPictureDisp* picture);
HBITMAP picture_bitmap(IPictureDisp* picture);

// Files the acquisitions name in the user's temporary folder ("ktw*.tmp").
std::vector<std::wstring> acquisition_temp_files();

// Waits on its own thread for a visible dialog of this process whose title
// contains `title`, then sends it a command (IDOK, IDCANCEL) or WM_CLOSE
// (command 0). After the timeout it posts a quit message to the thread that
// made it, which ends a scan waiting for that dialog instead of hanging.
class dialog_answer {
public:
    dialog_answer(std::wstring title, WORD command, DWORD timeout_ms = 20000);
    ~dialog_answer();
    // Waits for the thread; true when the dialog was found and answered.
    bool answered();

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> found_{false};
    std::thread thread_;
};

// The control's events (__Twain), counted by DISPID.
class event_recorder final : public IDispatch {
public:
    explicit event_recorder(IUnknown* control);
    ~event_recorder();
    int count(DISPID id) const;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    std::vector<DISPID> events_;
    com_ptr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

}  // namespace korvix::twain::test
