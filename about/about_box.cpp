#include "about/about_box.h"

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"

namespace korvix {

const wchar_t kAboutAddress[] = L"https://korvix.example/";

namespace {

constexpr wchar_t kApplicationTitle[] = L"Valdane Korvid Lite ActiveX 1.1";
constexpr wchar_t kNoticeText[] =
    L"This control is provided as it is, without warranty of any kind. Korvix accepts no liability for any loss "
    L"or damage arising from its use. It may be redistributed only as part of an application that uses it.";

// The form's design, in twips: left, top, width, height.
struct TwipRect {
    int left, top, width, height;
};
constexpr int kClientWidth = 5055, kClientHeight = 2490;
constexpr TwipRect kTitle{300, 180, 735, 195}, kCopyright{300, 420, 810, 195}, kNotice{300, 960, 4410, 885},
    kOk{3720, 1980, 975, 375}, kAddress{300, 2040, 2445, 195};
// Etched separators: a grey line with a white one a twip-pixel below and right.
struct TwipLine {
    int x, y, to_x;
    COLORREF colour;
};
constexpr TwipLine kLines[] = {{255, 855, 4740, RGB(255, 255, 255)},
                               {240, 840, 4740, RGB(128, 128, 128)},
                               {255, 1815, 4740, RGB(255, 255, 255)},
                               {240, 1800, 4740, RGB(128, 128, 128)}};

struct BoxState {
    HINSTANCE module;
    HCURSOR address_cursor;
    int dpi_x = 96, dpi_y = 96;
    int x(int twips) const { return ::MulDiv(twips, dpi_x, 1440); }
    int y(int twips) const { return ::MulDiv(twips, dpi_y, 1440); }
};

std::wstring module_title(HINSTANCE module) {
    std::vector<wchar_t> path(MAX_PATH);
    DWORD n = 0;
    while ((n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()))) == path.size())
        path.resize(path.size() * 2);
    std::wstring name(path.data(), n);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    name = name.substr(0, name.find_last_of(L'.'));
    ::CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
    return name;
}

std::wstring copyright_line() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return L"Copyright \u00A9 " + std::to_wstring(now.wYear) + L" Korvix";
}

// A child of the box at its design place; single-line labels grow to fit their text.
HWND add_child(HWND box, const BoxState& s, const wchar_t* cls, DWORD style, int id, const TwipRect& r,
               const std::wstring& text, bool fit_text) {
    int width = s.x(r.width);
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0));
    if (fit_text) {
        window_dc dc(box);
        select_scope use_font(dc.get(), font);
        SIZE extent{};
        if (::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent))
            width = std::max<int>(width, extent.cx + 2);
    }
    const HWND child = ::CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, s.x(r.left), s.y(r.top),
                                         width, s.y(r.height), box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         s.module, nullptr);
    if (child) ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

// Form_Load: size and place the box, make its members, set the three texts.
void load_box(HWND box, BoxState& s) {
    {
        window_dc screen(nullptr);
        s.dpi_x = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
        s.dpi_y = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    const std::wstring title = kApplicationTitle;
    ::SetWindowTextW(box, (L"About " + title).c_str());
    RECT frame{0, 0, s.x(kClientWidth), s.y(kClientHeight)};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(box, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(box, GWL_EXSTYLE)));
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    ::SetWindowPos(box, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    const DWORD label = SS_LEFT | SS_NOPREFIX;
    add_child(box, s, L"STATIC", label, about_ids::title, kTitle, title + L" - " + module_title(s.module), true);
    add_child(box, s, L"STATIC", label, about_ids::copyright, kCopyright, copyright_line(), true);
    add_child(box, s, L"STATIC", label, about_ids::notice, kNotice, kNoticeText, false);
    add_child(box, s, L"STATIC", label | SS_NOTIFY, about_ids::address, kAddress,
              std::wstring(L"Web: ") + kAboutAddress, true);
    const HWND ok = add_child(box, s, L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, kOk, L"OK", false);
    ::SetFocus(ok);
}

void paint_lines(HWND box, const BoxState& s) {
    paint_scope paint(box);
    for (const TwipLine& line : kLines) {
        unique_hgdiobj pen(::CreatePen(PS_SOLID, 1, line.colour));
        select_scope use_pen(paint.get(), pen.get());
        ::MoveToEx(paint.get(), s.x(line.x), s.y(line.y), nullptr);
        ::LineTo(paint.get(), s.x(line.to_x), s.y(line.y));
    }
}

INT_PTR CALLBACK box_proc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<BoxState*>(::GetWindowLongPtrW(box, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        ::SetWindowLongPtrW(box, DWLP_USER, lp);
        load_box(box, *reinterpret_cast<BoxState*>(lp));
        return FALSE;  // the focus is set
    case WM_PAINT:
        if (!s) return FALSE;
        paint_lines(box, *s);
        return TRUE;
    case WM_SETCURSOR:
        if (s && s->address_cursor && ::GetDlgCtrlID(reinterpret_cast<HWND>(wp)) == about_ids::address) {
            ::SetCursor(s->address_cursor);
            ::SetWindowLongPtrW(box, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL: ::EndDialog(box, LOWORD(wp)); return TRUE;
        case about_ids::address:
            // A failure to open the address is ignored: the box stays open.
            if (HIWORD(wp) == STN_CLICKED) ::ShellExecuteW(box, L"open", kAboutAddress, nullptr, nullptr, SW_SHOW);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// The dialog template: an empty, captioned popup in the labels' font; the
// members are made in pixels from their twip design when it loads.
std::vector<WORD> box_template() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD));
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t->cdit = 0;
    t->cx = 200;
    t->cy = 100;
    words.push_back(0);  // no menu
    words.push_back(0);  // the dialog class
    words.push_back(0);  // caption set at load
    words.push_back(8);  // point size
    for (const wchar_t* c = L"MS Sans Serif"; *c; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    return words;
}

// The thread's other windows are disabled while the box is up, as for a
// modal form, and enabled again afterwards.
class ThreadWindowsDisabled {
public:
    ThreadWindowsDisabled() { ::EnumThreadWindows(::GetCurrentThreadId(), &disable, reinterpret_cast<LPARAM>(this)); }
    ~ThreadWindowsDisabled() {
        for (HWND w : disabled_)
            if (::IsWindow(w)) ::EnableWindow(w, TRUE);
    }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

private:
    static BOOL CALLBACK disable(HWND w, LPARAM self) {
        if (::IsWindowVisible(w) && ::IsWindowEnabled(w)) {
            ::EnableWindow(w, FALSE);
            reinterpret_cast<ThreadWindowsDisabled*>(self)->disabled_.push_back(w);
        }
        return TRUE;
    }
    std::vector<HWND> disabled_;
};

}  // namespace

void show_about_box(HINSTANCE module, HCURSOR address_cursor) {
    BoxState state{module, address_cursor};
    const std::vector<WORD> layout = box_template();
    HRESULT failure = S_OK;
    {
        ThreadWindowsDisabled modal;
        const INT_PTR result = ::DialogBoxIndirectParamW(module, reinterpret_cast<const DLGTEMPLATE*>(layout.data()),
                                                         nullptr, &box_proc, reinterpret_cast<LPARAM>(&state));
        // Read before the windows are enabled again, which may overwrite it.
        const DWORD error = ::GetLastError();
        if (result == -1 || result == 0) failure = error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    if (FAILED(failure)) throw hresult_error(failure, "The About box could not be shown.");
}

}  // namespace korvix
