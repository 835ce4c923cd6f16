// One scroll step of the viewport against its floor and against the
// whole-picture path, on an A4 page scanned at 600 dpi (4960 x 7016, 24-bit)
// shown in an 800 x 600 picture box. Windows program, run under Wine on the
// shipped i686 build (run.sh); prints times, ratios and memory of one run.
//
//   step:      HScroll1_Change of the real view: the visible part cut out
//              and given to the picture box (the repaint that follows is the
//              same for every path and is not timed). Also timed: the whole
//              message of a bar's arrow (WM_HSCROLL / WM_VSCROLL: the bar's
//              own bookkeeping, then the step), with the window hidden and
//              shown (then the platform repaints the bar at once);
//   floor:     a bare BitBlt of the visible rectangle from the picture's
//              bitmap into an 800 x 600 24-bit DIB section made beforehand;
//   literal:   the whole picture converted to 24 bits, cropped, and the crop
//              made a picture (then the buffer emptied), as each step did
//              before.
// Times are wall-clock (QueryPerformanceCounter), best and median of many
// runs, all measured in this run. Memory: committed private memory of the
// process above where the path began, sampled after every step, and after
// each stage of the whole-picture path.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "common/win/unique_resource.h"
#include "picture24/win/picture_conversion.h"
#include "view/control_view.h"
#include "view/visible_part.h"

using namespace korvix;

namespace {

constexpr int kPictureWidth = 4960, kPictureHeight = 7016;
constexpr int kViewWidth = 800, kViewHeight = 600;

// The control's side of the view, reduced to what a scroll step asks.
class BenchSite final : public ControlViewSite {
public:
    bool auto_redraw() const override { return true; }
    void set_auto_redraw(bool) override {}
    bool scrollable() const override { return true; }
    void on_surface_resize() override {}
    void on_scroll() override {}
    void on_picture_box_paint() override {}
    void on_click() override {}
    void on_dbl_click() override {}
    void on_mouse(MouseAction, SHORT&, SHORT&, float&, float&) override {}
    void on_key(KeyAction, SHORT&, SHORT&) override {}
    void on_key_press(SHORT&) override {}
    void on_focus_request() override {}
    void hold() noexcept override {}
    void release_hold() noexcept override {}
};

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Timing {
    double best = 0, median = 0;
};

Timing time_each(int runs, const std::function<double(int)>& run);

Timing time_runs(int runs, const std::function<void(int)>& run) {
    return time_each(runs, [&](int i) {
        const double start = now_ms();
        run(i);
        return now_ms() - start;
    });
}

// Each run times itself (returns milliseconds).
Timing time_each(int runs, const std::function<double(int)>& run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(run(i));
    std::sort(times.begin(), times.end());
    return Timing{times.front(), times[times.size() / 2]};
}

// Committed private memory of the process (a VirtualQuery walk).
size_t committed_private_bytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (const char* p = nullptr; ::VirtualQuery(p, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= p) break;
        p = next;
    }
    return total;
}

// A scan-like 24-bit picture: gradients with blocks of ink, every page touched.
com_ptr<IPictureDisp> make_page() {
    Picture24 page;
    page.create(kPictureWidth, kPictureHeight);
    for (int y = 0; y < kPictureHeight; ++y) {
        std::uint8_t* row = page.row(y);
        for (int x = 0; x < kPictureWidth; ++x) {
            const bool ink = ((x / 40 + y / 60) % 7 == 0) && (y % 60 < 30);
            row[3 * x] = static_cast<std::uint8_t>(ink ? 30 : 230 - y / 50);
            row[3 * x + 1] = static_cast<std::uint8_t>(ink ? 35 : 225 - x / 40);
            row[3 * x + 2] = static_cast<std::uint8_t>(ink ? 40 : 220 - (x + y) / 100);
        }
    }
    return get_picture(page);
}

BOOL CALLBACK find_bars(HWND child, LPARAM found) {
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, 16);
    if (::lstrcmpiW(name, L"ScrollBar") == 0)
        reinterpret_cast<HWND*>(found)[(::GetWindowLongW(child, GWL_STYLE) & SBS_VERT) ? 1 : 0] = child;
    return TRUE;
}

double mb(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int main() {
    ::OleInitialize(nullptr);
    const size_t visible_bytes = Picture24::checked_size(kViewWidth, kViewHeight);
    std::printf("Picture %d x %d (24-bit, %.1f MB), picture box %d x %d (%.2f MB)\n", kPictureWidth,
                kPictureHeight, mb(Picture24::checked_size(kPictureWidth, kPictureHeight)), kViewWidth, kViewHeight,
                mb(visible_bytes));
    com_ptr<IPictureDisp> page = make_page();
    OLE_HANDLE handle = 0;
    page.query<IPicture>(IID_IPicture)->get_Handle(&handle);
    const auto bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));

    // The real view in a window: no border, both bars, a picture box of
    // exactly 800 x 600 pixels, scrolled to the middle of the page.
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorvixViewportBench";
    ::RegisterClassW(&wc);
    unique_hwnd host(::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 800, nullptr,
                                       nullptr, wc.hInstance, nullptr));
    BenchSite site;
    ControlView view(site);
    view.set_border_style(0);
    view.attach(host.get(), RECT{0, 0, kViewWidth + ::GetSystemMetrics(SM_CXVSCROLL),
                                 kViewHeight + ::GetSystemMetrics(SM_CYHSCROLL)});
    view.set_view_picture(page.get());
    if (view.scale_width() != kViewWidth || view.scale_height() != kViewHeight) {
        std::printf("the picture box is %.0f x %.0f, not %d x %d\n", view.scale_width(), view.scale_height(),
                    kViewWidth, kViewHeight);
        return 1;
    }
    HWND surface = view.surface_hwnd();
    HWND bars[2] = {nullptr, nullptr};  // horizontal, vertical
    ::EnumChildWindows(surface, find_bars, reinterpret_cast<LPARAM>(bars));
    ::SendMessageW(surface, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 2000), reinterpret_cast<LPARAM>(bars[0]));
    ::SendMessageW(surface, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 3000), reinterpret_cast<LPARAM>(bars[1]));

    // One step: an arrow of one bar, alternating direction and bar, so that
    // every step shows a new part.
    const auto step = [&](int i) {
        const bool vertical = (i / 2) % 2 == 1;
        ::SendMessageW(surface, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(i % 2 ? SB_LINEUP : SB_LINEDOWN, 0),
                       reinterpret_cast<LPARAM>(bars[vertical ? 1 : 0]));
    };
    for (int i = 0; i < 20; ++i) step(i);
    // Shown: the platform also repaints the bar at once (SetScrollInfo).
    const Timing shown_steps = time_runs(200, step);
    // Hidden: the step's own work, the repaint of bar and box left out (the
    // box's repaint would come later from the message loop in any case).
    ::ShowWindow(host.get(), SW_HIDE);
    const Timing messages = time_runs(1000, step);
    // The step itself, HScroll1_Change, at alternating positions.
    const Timing steps = time_each(1000, [&](int i) {
        step(i);
        const double start = now_ms();
        view.show_visible_part();
        return now_ms() - start;
    });
    // Memory: committed after every step, the most above where the steps began.
    const size_t before_steps = committed_private_bytes();
    size_t step_memory = 0;
    for (int i = 0; i < 200; ++i) {
        step(i);
        step_memory = std::max(step_memory, committed_private_bytes() - std::min(committed_private_bytes(), before_steps));
    }
    ::ShowWindow(host.get(), SW_SHOW);

    // The floors: one BitBlt of the same rectangle into a ready DIB section,
    // and onto the picture box's window.
    Timing floor, to_window;
    {
        unique_hdc source(::CreateCompatibleDC(nullptr)), target(::CreateCompatibleDC(nullptr));
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kViewWidth, -kViewHeight, 1, 24, BI_RGB};
        void* bits = nullptr;
        unique_hbitmap canvas(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        select_scope selected_source(source.get(), bitmap);
        select_scope selected_target(target.get(), canvas.get());
        floor = time_runs(1000, [&](int i) {
            ::BitBlt(target.get(), 0, 0, kViewWidth, kViewHeight, source.get(), 2000 + (i % 2) * 10, 3000, SRCCOPY);
            ::GdiFlush();
        });
        window_dc box(view.picture_box_hwnd());
        to_window = time_runs(200, [&](int i) {
            ::BitBlt(box.get(), 0, 0, kViewWidth, kViewHeight, source.get(), 2000 + (i % 2) * 10, 3000, SRCCOPY);
            ::GdiFlush();
        });
    }

    // The whole-picture path, on the same picture.
    const auto literal_step = [&](int i) {
        com_ptr<IPictureDisp> part =
            cut_out_through_whole_picture(page.get(), PixelRect{2000 + (i % 2) * 10, 3000, kViewWidth, kViewHeight});
    };
    const Timing literal = time_runs(9, literal_step);
    // Its memory at each stage: the whole picture converted, cropped, made a
    // picture.
    size_t literal_memory = 0;
    {
        const size_t start = committed_private_bytes();
        const auto sample = [&] {
            literal_memory = std::max(literal_memory, committed_private_bytes() - std::min(committed_private_bytes(), start));
        };
        Picture24 whole;
        set_picture(whole, page.get());
        sample();
        whole.crop(2000, 3000, kViewWidth, kViewHeight);
        sample();
        com_ptr<IPictureDisp> part = get_picture(whole);
        sample();
    }

    std::printf("\n| Path | median (ms) | best (ms) | x floor (medians) |\n|---|---:|---:|---:|\n");
    const auto row = [&](const char* name, const Timing& t) {
        std::printf("| %s | %.3f | %.3f | %.2f |\n", name, t.median, t.best, t.median / floor.median);
    };
    row("scroll step: HScroll1_Change (cut-out, picture box updated)", steps);
    row("the bar's whole message: its Change bookkeeping and the step", messages);
    row("the same with the window shown (the platform repaints the bar at once)", shown_steps);
    row("bare BitBlt of the visible rectangle into a DIB section (floor)", floor);
    row("bare BitBlt of the visible rectangle onto the picture box", to_window);
    row("whole-picture path (convert all, crop, new picture)", literal);
    std::printf("\nscroll step / floor: %.2f x (target <= 2)\n", steps.median / floor.median);
    std::printf("whole-picture path / scroll step: %.0f x (target >= 20)\n", literal.median / steps.median);
    std::printf("peak extra memory: scroll step %.2f MB = %.2f x the visible area (target <= 2); "
                "whole-picture path %.1f MB = %.1f x\n",
                mb(step_memory), static_cast<double>(step_memory) / static_cast<double>(visible_bytes),
                mb(literal_memory), static_cast<double>(literal_memory) / static_cast<double>(visible_bytes));
    ::OleUninitialize();
    return 0;
}
