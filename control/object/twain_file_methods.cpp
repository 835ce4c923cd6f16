// Save, Load, ShowSave, ShowLoad and About: files and the About box. What
// the codecs and dialogs report is not examined: a failed save or load is
// silent, a cancelled dialog changes nothing. Errors raised on the way (a
// picture whose handle cannot be read, an About box that cannot be made)
// reach the host.
#include <new>

#include "about/about_box.h"
#include "control/object/twain_control.h"
#include "control/resources/resource_ids.h"
#include "control/twain_factory.h"
#include "dialogs/file_dialog.h"

namespace korvix {

namespace {

std::wstring text_of(const BSTR* value) {
    return value && *value ? std::wstring(*value, ::SysStringLen(*value)) : std::wstring();
}

// Hands the converted filter back to the caller's variable.
void store_text(BSTR* target, const std::wstring& text) {
    if (!target) return;
    BSTR copy = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!copy) throw std::bad_alloc();
    ::SysFreeString(*target);
    *target = copy;
}

using FileDialog = std::wstring (*)(HWND, HINSTANCE, std::wstring&, const std::wstring&, const std::wstring&);

// Shows the dialog over owner with the caller's three strings; the filter
// the dialog was given goes back into the caller's variable.
std::wstring ask_for_file(FileDialog dialog, HWND owner, BSTR* sFilter, BSTR* sTitle, BSTR* sInitDir) {
    std::wstring filter = text_of(sFilter);
    const std::wstring name = dialog(owner, module_instance(), filter, text_of(sTitle), text_of(sInitDir));
    store_text(sFilter, filter);
    return name;
}

}  // namespace

HRESULT TwainControl::Save() noexcept {
    return automation([&] {
        gdi_.set_picture(picture_.get());
        gdi_.save_file(filename_, file_type_, static_cast<BYTE>(quality_ & 0xFF), static_cast<BYTE>(compression_ & 0xFF),
                       picture_dpi_);
        return S_OK;
    });
}

HRESULT TwainControl::Load() noexcept {
    return automation([&] {
        picture_ = gdi_.load_file(filename_);  // Nothing when the file could not be read
        picture_dpi_ = {};                      // the picture carries the file's own
        view_->set_view_picture(picture_.get());  // Nothing leaves the view as it was
        return S_OK;
    });
}

HRESULT TwainControl::ShowSave(BSTR* sFilter, BSTR* sTitle, BSTR* sInitDir) noexcept {
    // The dialog runs a message loop: the host may drop its reference meanwhile.
    com_ptr<ITwain> self(static_cast<ITwain*>(this));
    bool chosen = false;
    const HRESULT hr = automation([&] {
        const std::wstring name = ask_for_file(&show_save_dialog, view_->surface_hwnd(), sFilter, sTitle, sInitDir);
        chosen = !name.empty();
        if (chosen) {
            file_type_ = 0;  // the chosen name's extension decides the format, never the filter
            filename_ = name;
        }
        return S_OK;
    });
    if (FAILED(hr) || !chosen) return hr;
    return self->Save();  // as the host would call it
}

HRESULT TwainControl::ShowLoad(BSTR* sFilter, BSTR* sTitle, BSTR* sInitDir) noexcept {
    com_ptr<ITwain> self(static_cast<ITwain*>(this));
    bool chosen = false;
    const HRESULT hr = automation([&] {
        const std::wstring name = ask_for_file(&show_open_dialog, view_->surface_hwnd(), sFilter, sTitle, sInitDir);
        chosen = !name.empty();
        if (chosen) filename_ = name;
        return S_OK;
    });
    if (FAILED(hr) || !chosen) return hr;
    return self->Load();
}

HRESULT TwainControl::About() noexcept {
    com_ptr<ITwain> self(static_cast<ITwain*>(this));
    return automation([&] {
        show_about_box(module_instance(), ::LoadCursorW(module_instance(), MAKEINTRESOURCEW(IDC_ADDRESS_HAND)));
        return S_OK;
    });
}

}  // namespace korvix
