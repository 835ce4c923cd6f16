#include "dialogs/file_dialog.h"

#include <commdlg.h>

#include <vector>

#include "dialogs/dialog_text.h"

namespace korvix {

namespace {

// The longest path the system accepts (extended-length form), plus its NUL.
constexpr DWORD kFileBufferChars = 32768;

enum class Kind { save, open };

std::wstring show(Kind kind, HWND owner, HINSTANCE instance, std::wstring& filter, const std::wstring& title,
                  const std::wstring& initial_dir) {
    convert_filter_in_place(filter);
    // Starts empty: the name box shows no initial name.
    std::vector<wchar_t> file(kFileBufferChars, L'\0');

    OPENFILENAMEW request{};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;  // the record without the later extension fields
    request.hwndOwner = owner;
    request.hInstance = instance;
    request.lpstrFilter = filter.c_str();  // the string's own terminator makes the closing double NUL
    request.nFilterIndex = 0;
    request.lpstrFile = file.data();
    request.nMaxFile = kFileBufferChars;
    request.lpstrInitialDir = initial_dir.c_str();
    request.lpstrTitle = title.c_str();
    request.Flags = kind == Kind::save ? OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_CREATEPROMPT
                                       : OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    const BOOL chosen = kind == Kind::save ? ::GetSaveFileNameW(&request) : ::GetOpenFileNameW(&request);
    if (!chosen) return {};  // cancelled, or a dialog error: the cause is not reported
    return path_from_file_buffer(file.data(), file.size());
}

}  // namespace

std::wstring show_save_dialog(HWND owner, HINSTANCE instance, std::wstring& filter, const std::wstring& title,
                              const std::wstring& initial_dir) {
    return show(Kind::save, owner, instance, filter, title, initial_dir);
}

std::wstring show_open_dialog(HWND owner, HINSTANCE instance, std::wstring& filter, const std::wstring& title,
                              const std::wstring& initial_dir) {
    return show(Kind::open, owner, instance, filter, title, initial_dir);
}

}  // namespace korvix
