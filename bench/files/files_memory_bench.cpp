// Peak committed memory of Save and Load on an A4 page scanned at 1200 dpi
// in colour (9920 x 14032 pixels, 417,592,320 bytes at 24 bits), through the
// registered control as a host uses it, in the 32-bit process. A thread
// samples the process's committed private memory (VirtualQuery walk) every
// millisecond during each call; the table gives the peak as a multiple of
// the picture's bytes, and the time each call took.
//
//   korvix_files_memory_bench.exe <korvixlite.ocx> [--width W --height H] [--keep]
// Exit status: 0 when every file loaded back with the picture's size and
// pixels (JPEG: close) and every peak is at most 2.5 x.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/recording_property_bag.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace {

using namespace korvix;
using hostkit::unique_variant;

class PeakMeter {
public:
    template <typename Work>
    size_t peak_during(Work&& work) {
        peak_ = hostkit::committed_private_bytes();
        stop_ = false;
        std::thread sampler([this] {
            while (!stop_) {
                const size_t now = hostkit::committed_private_bytes();
                if (now > peak_) peak_ = now;
                ::Sleep(1);
            }
        });
        work();
        stop_ = true;
        sampler.join();
        const size_t now = hostkit::committed_private_bytes();
        return now > peak_ ? now : peak_.load();
    }

private:
    std::atomic<size_t> peak_{0};
    std::atomic<bool> stop_{false};
};

// A scan-like page: smooth paper tones, darker "ink" blocks and a little noise.
BYTE page_value(int x, int y, int channel) {
    unsigned noise = unsigned(x * 2654435761u ^ y * 40503u ^ channel * 977u);
    noise = (noise ^ noise >> 13) & 7;
    const bool ink = (y / 40) % 3 == 0 && (x / 25) % 4 != 0;
    const int base = ink ? 40 + channel * 10 : 225 - (x + y) % 16 - channel * 5;
    return static_cast<BYTE>(base + noise);
}

com_ptr<IPictureDisp> make_page(int width, int height) {
    BITMAPINFO header{};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    void* bits = nullptr;
    unique_hbitmap bitmap(::CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return nullptr;
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    for (int y = 0; y < height; ++y) {
        BYTE* row = static_cast<BYTE*>(bits) + size_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) row[x * 3 + c] = page_value(x, y, c);
    }
    return hostkit::picture_from_bitmap(std::move(bitmap));
}

// Checks a loaded picture against the page on a grid of rows.
bool matches_page(IDispatch* picture, int width, int height, int tolerance) {
    const HBITMAP bitmap = static_cast<HBITMAP>(hostkit::picture_handle(reinterpret_cast<IPictureDisp*>(picture)));
    BITMAP info{};
    if (!picture || !::GetObjectW(bitmap, sizeof info, &info) || info.bmWidth != width ||
        std::abs(info.bmHeight) != height)
        return false;
    std::string row(size_t(width) * 3 + 4, '\0');
    BITMAPINFO header{};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    double total = 0;
    long samples = 0;
    for (int y = 0; y < height; y += 997) {
        if (::GetDIBits(dc.get(), bitmap, height - 1 - y, 1, &row[0], &header, DIB_RGB_COLORS) != 1) return false;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c, ++samples) total += std::abs(BYTE(row[x * 3 + c]) - page_value(x, y, c));
    }
    return total / samples <= tolerance;
}

std::unique_ptr<hostkit::hosted_control> control_for(HWND frame, LONG file_type) {
    auto bag = hostkit::recording_property_bag::create();
    bag->preload(L"FileType", unique_variant::i4(file_type));
    bag->preload(L"Quality", unique_variant::i2(90));
    auto control = std::make_unique<hostkit::hosted_control>(frame, RECT{0, 0, 640, 480});
    throw_if_failed(control->load(bag.get()), "loading the control's settings");
    throw_if_failed(control->activate(), "activating the control");
    return control;
}

bool call(IDispatch* control, DISPID method, const std::wstring& file) {
    hostkit::dispatch_put(control, DISPID_Twain_filename, *unique_variant::bstr(file).get());
    return SUCCEEDED(hostkit::dispatch_call(control, method).hr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: korvix_files_memory_bench <korvixlite.ocx> [--width W --height H] [--keep]\n");
        return 90;
    }
    int width = 9920, height = 14032;
    bool keep = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--width") && i + 1 < argc) width = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--height") && i + 1 < argc) height = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--keep")) keep = true;
    }
    if (FAILED(::OleInitialize(nullptr)) || FAILED(hostkit::register_server(hostkit::windows_path(argv[1])))) return 91;
    const double bytes = double(width) * height * 3;
    const std::wstring folder = L"C:\\korvix-bench";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    struct Format {
        const char* name;
        LONG file_type;
        const wchar_t* file;
        int tolerance;
    };
    const Format formats[] = {{"PNG", 4, L"\\page.png", 0}, {"TIFF", 3, L"\\page.tif", 0}, {"JPEG", 1, L"\\page.jpg", 4}};
    int failures = 0;
    PeakMeter meter;
    std::printf("picture: %d x %d, %.0f bytes; process committed before it: %.1f MB\n", width, height, bytes,
                hostkit::committed_private_bytes() / 1e6);
    std::printf("| Operation | Peak committed (MB) | x picture bytes | Time (s) | Result |\n|---|---:|---:|---:|---|\n");
    auto report = [&](const std::string& what, size_t peak, double seconds, bool ok) {
        const double ratio = peak / bytes;
        if (!ok || ratio > 2.5) ++failures;
        std::printf("| %s | %.1f | %.2f | %.1f | %s |\n", what.c_str(), peak / 1e6, ratio, seconds, ok ? "ok" : "FAILED");
        std::fflush(stdout);
    };
    {
        hostkit::frame_window frame(L"Korvix memory bench", SIZE{660, 500});
        {
            com_ptr<IPictureDisp> page = make_page(width, height);
            if (!page) return 92;
            for (const Format& f : formats) {
                auto control = control_for(frame.hwnd(), f.file_type);
                hostkit::dispatch_putref(control->dispatch(), DISPID_Twain_Picture, page.get());
                bool ok = false;
                const auto start = std::chrono::steady_clock::now();
                const size_t peak = meter.peak_during([&] { ok = call(control->dispatch(), DISPID_Twain_Save, folder + f.file); });
                const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                report(std::string("Save ") + f.name, peak, seconds, ok);
            }
        }
        hostkit::pump_messages();
        std::printf("(picture released; process committed: %.1f MB)\n", hostkit::committed_private_bytes() / 1e6);
        for (const Format& f : formats) {
            auto control = control_for(frame.hwnd(), 0);
            bool ok = false;
            const auto start = std::chrono::steady_clock::now();
            const size_t peak = meter.peak_during([&] {
                ok = call(control->dispatch(), DISPID_Twain_Load, folder + f.file);
                hostkit::pump_messages();  // the view lays out and paints the new picture
            });
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            hostkit::dispatch_result picture = hostkit::dispatch_get(control->dispatch(), DISPID_Twain_Picture);
            ok = ok && picture.value.vt() == VT_DISPATCH &&
                 matches_page(picture.value->pdispVal, width, height, f.tolerance);
            report(std::string("Load ") + f.name, peak, seconds, ok);
        }
    }
    if (!keep)
        for (const Format& f : formats) ::DeleteFileW((folder + f.file).c_str());
    std::printf("%s\n", failures ? "FAILED" : "every peak at most 2.5 x the picture's bytes");
    ::OleUninitialize();
    return failures;
}
