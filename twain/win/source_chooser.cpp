#include "twain/win/source_chooser.h"

#include <cstring>

namespace korvix::twain {

namespace {

// A dialog template in memory: a header, then items, each DWORD-aligned.
class TemplateWriter {
public:
    void word(WORD w) { words_.push_back(w); }
    void dword(DWORD d) { word(LOWORD(d)), word(HIWORD(d)); }
    void text(const wchar_t* s) {
        do word(static_cast<WORD>(*s));
        while (*s++);
    }
    void align() {
        if (words_.size() % 2) word(0);
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom, const wchar_t* title) {
        align();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        for (short v : {x, y, cx, cy}) word(static_cast<WORD>(v));
        word(id);
        word(0xFFFF), word(class_atom);
        text(title);
        word(0);  // no creation data
    }
    const DLGTEMPLATE* get() const noexcept { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<WORD> words_;
};

struct ChooserState {
    const std::vector<std::wstring>* labels;
    int selected;
};

INT_PTR CALLBACK chooser_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    const HWND list = ::GetDlgItem(dialog, kSourceListId);
    switch (message) {
    case WM_INITDIALOG: {
        const auto* state = reinterpret_cast<const ChooserState*>(lparam);
        for (const std::wstring& label : *state->labels)
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(state->selected), 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || (LOWORD(wparam) == kSourceListId && HIWORD(wparam) == LBN_DBLCLK)) {
            const LRESULT chosen = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
            if (chosen != LB_ERR) ::EndDialog(dialog, chosen);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            ::EndDialog(dialog, -1);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

int choose_among(HWND owner, const std::vector<std::wstring>& labels, int selected) noexcept {
    try {
        TemplateWriter t;
        t.dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        t.dword(0);
        t.word(3);  // items
        for (short v : {0, 0, 220, 130}) t.word(static_cast<WORD>(v));
        t.word(0), t.word(0);  // no menu, the dialog class
        t.text(L"Select Source");
        t.word(8);
        t.text(L"MS Shell Dlg");
        t.item(WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 7, 7, 206, 94, kSourceListId,
               0x0083, L"");
        t.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 106, 108, 50, 14, IDOK, 0x0080, L"Select");
        t.item(BS_PUSHBUTTON | WS_TABSTOP, 163, 108, 50, 14, IDCANCEL, 0x0080, L"Cancel");
        ChooserState state{&labels, selected >= 0 && selected < static_cast<int>(labels.size()) ? selected : 0};
        const INT_PTR chosen = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), t.get(), owner, chooser_proc,
                                                         reinterpret_cast<LPARAM>(&state));
        return chosen >= 0 && chosen < static_cast<INT_PTR>(labels.size()) ? static_cast<int>(chosen) : -1;
    } catch (...) {
        return -1;
    }
}

}  // namespace korvix::twain
