#include "tests/wine/hostkit/window_capture.h"

#include <gdiplus.h>

#include <cstring>

#include "common/win/unique_resource.h"

namespace korvix::hostkit {
namespace {

using namespace Gdiplus::DllExports;

// GdiplusStartup / GdiplusShutdown around one operation.
class gdiplus_session {
public:
    gdiplus_session() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~gdiplus_session() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    gdiplus_session(const gdiplus_session&) = delete;
    gdiplus_session& operator=(const gdiplus_session&) = delete;
    bool ok() const noexcept { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

// A GDI+ bitmap disposed when it goes.
class gp_bitmap {
public:
    gp_bitmap() = default;
    ~gp_bitmap() {
        if (p_) GdipDisposeImage(p_);
    }
    gp_bitmap(const gp_bitmap&) = delete;
    gp_bitmap& operator=(const gp_bitmap&) = delete;
    Gdiplus::GpBitmap** put() noexcept { return &p_; }
    Gdiplus::GpBitmap* get() const noexcept { return p_; }

private:
    Gdiplus::GpBitmap* p_ = nullptr;
};

// GetWindowDC / ReleaseDC: the whole window, frame included.
class whole_window_dc {
public:
    explicit whole_window_dc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetWindowDC(hwnd)) {}
    ~whole_window_dc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    whole_window_dc(const whole_window_dc&) = delete;
    whole_window_dc& operator=(const whole_window_dc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

bool find_encoder(const wchar_t* mime, CLSID* clsid) {
    UINT count = 0, bytes = 0;
    if (GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, mime) == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

COLORREF window_capture::at(int x, int y) const noexcept {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const DWORD p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

window_capture capture_window(HWND hwnd) {
    window_capture capture;
    RECT r{};
    if (!::GetWindowRect(hwnd, &r)) return capture;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) return capture;

    whole_window_dc window(hwnd);
    HDC source = window.get();
    if (!source) return capture;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    unique_hbitmap dib(::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    unique_hdc memory(::CreateCompatibleDC(source));
    bool copied = false;
    if (dib && memory && bits) {
        select_scope select(memory.get(), dib.get());
        copied = ::BitBlt(memory.get(), 0, 0, w, h, source, 0, 0, SRCCOPY) != FALSE;
        ::GdiFlush();
    }
    if (!copied) return capture;
    capture.width = w;
    capture.height = h;
    capture.pixels.resize(static_cast<size_t>(w) * h);
    std::memcpy(capture.pixels.data(), bits, capture.pixels.size() * sizeof(DWORD));
    for (DWORD& p : capture.pixels) p &= 0x00FFFFFF;
    return capture;
}

int save_png(const window_capture& capture, const std::wstring& path) {
    if (capture.width <= 0 || capture.height <= 0) return -1;
    gdiplus_session session;
    if (!session.ok()) return -1;
    CLSID png{};
    if (!find_encoder(L"image/png", &png)) return -1;
    std::vector<DWORD> opaque(capture.pixels);
    for (DWORD& p : opaque) p |= 0xFF000000;  // alpha, so viewers show it
    gp_bitmap bitmap;
    auto status = GdipCreateBitmapFromScan0(capture.width, capture.height, capture.width * 4, PixelFormat32bppARGB,
                                            reinterpret_cast<BYTE*>(opaque.data()), bitmap.put());
    if (status != Gdiplus::Ok) return static_cast<int>(status);
    return static_cast<int>(GdipSaveImageToFile(bitmap.get(), path.c_str(), &png, nullptr));
}

}  // namespace korvix::hostkit
