// Shared pieces of the view's Wine tests: a recording site, synthetic
// pictures, a host window, and a picture object whose Handle is a variant.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "view/control_view.h"

namespace korvix::testing {

// Records every notification in order, as text.
class RecordingSite : public ControlViewSite {
public:
    bool auto_redraw() const override { return redraw; }
    void set_auto_redraw(bool value) override {
        redraw = value;
        calls.push_back(value ? "auto_redraw=1" : "auto_redraw=0");
    }
    bool scrollable() const override { return scroll; }
    void on_surface_resize() override { calls.push_back("resize"); }
    void on_scroll() override { calls.push_back("scroll"); }
    void on_picture_box_paint() override {
        calls.push_back("paint");
        if (paint_handler) paint_handler();
    }
    void on_click() override { calls.push_back("click"); }
    void on_dbl_click() override { calls.push_back("dblclick"); }
    void on_mouse(MouseAction action, SHORT& button, SHORT& shift, float& x, float& y) override {
        const char* name = action == MouseAction::down ? "down" : action == MouseAction::up ? "up" : "move";
        calls.push_back(std::string("mouse ") + name + " " + std::to_string(button) + " " + std::to_string(shift) +
                        " " + std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
    }
    void on_key(KeyAction action, SHORT& key_code, SHORT& shift) override {
        calls.push_back(std::string("key ") + (action == KeyAction::down ? "down " : "up ") +
                        std::to_string(key_code) + " " + std::to_string(shift));
    }
    void on_key_press(SHORT& key_ascii) override { calls.push_back("keypress " + std::to_string(key_ascii)); }
    void on_focus_request() override { calls.push_back("focus"); }
    void hold() noexcept override {}
    void release_hold() noexcept override {}

    int count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) n += c == call;
        return n;
    }

    bool redraw = true;
    bool scroll = true;
    std::function<void()> paint_handler;  // the host's Paint handler
    std::vector<std::string> calls;
};

// A 24-bit DIB section filled with one colour (BGR order in memory).
inline HBITMAP make_bitmap(LONG width, LONG height, COLORREF color = RGB(255, 0, 0)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        const LONG stride = (width * 3 + 3) & ~3;
        auto* row = static_cast<BYTE*>(bits);
        for (LONG y = 0; y < height; ++y, row += stride)
            for (LONG x = 0; x < width; ++x) {
                row[x * 3 + 0] = GetBValue(color);
                row[x * 3 + 1] = GetGValue(color);
                row[x * 3 + 2] = GetRValue(color);
            }
    }
    return bitmap;
}

// A picture object owning a new bitmap of the given size.
inline com_ptr<IPictureDisp> make_picture(LONG width, LONG height, COLORREF color = RGB(255, 0, 0),
                                          HBITMAP* handle = nullptr) {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = make_bitmap(width, height, color);
    if (handle) *handle = desc.bmp.hbitmap;
    com_ptr<IPictureDisp> picture;
    ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void());
    return picture;
}

inline LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// A visible top-level window standing in for the container's form.
class HostWindow {
public:
    HostWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = host_proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KorvixViewTestHost";
        wc.hbrBackground = ::GetSysColorBrush(COLOR_WINDOW);
        ::RegisterClassW(&wc);  // stays registered for the whole test program
        hwnd_.reset(::CreateWindowExW(0, L"KorvixViewTestHost", L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                      0, 640, 480, nullptr, nullptr, wc.hInstance, nullptr));
    }
    HWND get() const { return hwnd_.get(); }

private:
    unique_hwnd hwnd_;
};

// An automation object standing in for a picture whose default property is
// an arbitrary variant (or fails), to exercise the Handle conversion.
class VariantHandlePicture : public IPictureDisp {
public:
    explicit VariantHandlePicture(VARIANT value, HRESULT invoke_result = S_OK) : result_(invoke_result) {
        ::VariantInit(&value_);
        ::VariantCopy(&value_, &value);
    }
    ~VariantHandlePicture() { ::VariantClear(&value_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IPictureDisp) {
            *out = static_cast<IPictureDisp*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        ++invokes;
        last_id = id;
        last_flags = flags;
        last_arg_count = params ? params->cArgs : 99;
        if (FAILED(result_)) return result_;
        return result ? ::VariantCopy(result, &value_) : S_OK;
    }

    ULONG refs = 1;
    int invokes = 0;
    DISPID last_id = -1;
    WORD last_flags = 0;
    UINT last_arg_count = 99;

private:
    VARIANT value_;
    HRESULT result_;
};

// Counts this thread's windows, children included.
inline int count_thread_windows() {
    struct Counter {
        static BOOL CALLBACK child(HWND, LPARAM lp) {
            ++*reinterpret_cast<int*>(lp);
            return TRUE;
        }
        static BOOL CALLBACK top(HWND hwnd, LPARAM lp) {
            ++*reinterpret_cast<int*>(lp);
            ::EnumChildWindows(hwnd, child, lp);
            return TRUE;
        }
    };
    int n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), Counter::top, reinterpret_cast<LPARAM>(&n));
    return n;
}

}  // namespace korvix::testing
