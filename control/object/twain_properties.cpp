// The automation members of _Twain: property procedures and methods.
#include "control/object/twain_control.h"

#include "common/handle_bits.h"

namespace korvix {

namespace {

VARIANT_BOOL to_variant_bool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

BSTR alloc_bstr(const std::wstring& s) {
    BSTR b = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    if (!b) throw std::bad_alloc();
    return b;
}

std::wstring from_bstr(BSTR b) { return b ? std::wstring(b, ::SysStringLen(b)) : std::wstring(); }

template <typename T>
void require_out(T* p) {
    if (!p) throw hresult_error(E_POINTER, "A result pointer is missing.");
}

}  // namespace

HRESULT TwainControl::not_available(const wchar_t* what) noexcept {
    return automation([&] {
        const std::wstring text = std::wstring(what) + L" is not available in this build.";
        return set_error_info(E_NOTIMPL, IID__Twain, text.c_str());
    });
}

// ---- properties --------------------------------------------------------------

HRESULT TwainControl::get_FileType(LONG* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = file_type_;
        return S_OK;
    });
}

HRESULT TwainControl::get_BorderStyle(SHORT* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = view_->border_style();
        return S_OK;
    });
}

HRESULT TwainControl::put_BorderStyle(SHORT iStyle) noexcept {
    return automation([&] {
        view_->set_border_style(iStyle);
        property_changed(DISPID_Twain_BorderStyle);
        return S_OK;
    });
}

HRESULT TwainControl::get_BackColor(OLE_COLOR* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = view_->back_color();
        return S_OK;
    });
}

HRESULT TwainControl::put_BackColor(OLE_COLOR lColor) noexcept {
    return automation([&] {
        view_->set_back_color(lColor);
        property_changed(DISPID_Twain_BackColor);
        return S_OK;
    });
}

HRESULT TwainControl::get_Enabled(VARIANT_BOOL* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = to_variant_bool(view_->enabled());
        return S_OK;
    });
}

HRESULT TwainControl::put_Enabled(VARIANT_BOOL bEnabled) noexcept {
    return automation([&] {
        view_->set_enabled(bEnabled != VARIANT_FALSE);
        property_changed(DISPID_Twain_Enabled);
        return S_OK;
    });
}

HRESULT TwainControl::get_hDC(LONG* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = view_->picture_box_hdc();
        return S_OK;
    });
}

HRESULT TwainControl::get_hwnd(LONG* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = handle_to_long(view_->picture_box_hwnd());
        return S_OK;
    });
}

HRESULT TwainControl::get_MouseIcon(IPictureDisp** value) noexcept {
    return automation([&] {
        require_out(value);
        *value = nullptr;
        return view_->mouse_icon().copy_to(value);
    });
}

void TwainControl::set_mouse_icon(IPictureDisp* icon) {
    view_->set_mouse_icon(icon);
    property_changed(DISPID_Twain_MouseIcon);
}

HRESULT TwainControl::putref_MouseIcon(IPictureDisp* picIcon) noexcept {
    return automation([&] {
        set_mouse_icon(picIcon);
        return S_OK;
    });
}

HRESULT TwainControl::get_MousePointer(SHORT* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = view_->mouse_pointer();
        return S_OK;
    });
}

HRESULT TwainControl::put_MousePointer(SHORT iType) noexcept {
    return automation([&] {
        view_->set_mouse_pointer(iType);
        property_changed(DISPID_Twain_MousePointer);
        return S_OK;
    });
}

HRESULT TwainControl::get_Picture(IPictureDisp** value) noexcept {
    return automation([&] {
        require_out(value);
        *value = nullptr;
        return picture_.copy_to(value);
    });
}

HRESULT TwainControl::putref_Picture(IPictureDisp* picNew) noexcept {
    return automation([&] {
        // The view measures the picture (reads its Handle) before anything
        // moves. A picture it refuses is not stored, and the view gets its
        // previous picture back: Picture and the view stay as they were.
        const com_ptr<IPictureDisp> shown = view_->view_picture();
        try {
            view_->set_view_picture(picNew);
        } catch (...) {
            try {
                view_->set_view_picture(shown.get());
            } catch (...) {
            }
            throw;
        }
        picture_ = com_ptr<IPictureDisp>(picNew);
        picture_dpi_ = Resolution{};
        property_changed(DISPID_Twain_Picture);
        return S_OK;
    });
}

HRESULT TwainControl::get_BitmapWidth(LONG* value) noexcept {
    return automation([&] {
        require_out(value);
        gdi_.set_picture(picture_.get());
        *value = gdi_.get_width();
        return S_OK;
    });
}

HRESULT TwainControl::get_BitmapHeight(LONG* value) noexcept {
    return automation([&] {
        require_out(value);
        gdi_.set_picture(picture_.get());
        *value = gdi_.get_height();
        return S_OK;
    });
}

HRESULT TwainControl::get_AutoRedraw(VARIANT_BOOL* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = to_variant_bool(auto_redraw_);
        return S_OK;
    });
}

HRESULT TwainControl::put_AutoRedraw(VARIANT_BOOL bEnabled) noexcept {
    return automation([&] {
        auto_redraw_ = bEnabled != VARIANT_FALSE;
        property_changed(DISPID_Twain_AutoRedraw);
        return S_OK;
    });
}

HRESULT TwainControl::get_ToolTipText(BSTR* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = nullptr;
        *value = alloc_bstr(view_->tool_tip_text());
        return S_OK;
    });
}

HRESULT TwainControl::put_ToolTipText(BSTR sText) noexcept {
    return automation([&] {
        view_->set_tool_tip_text(from_bstr(sText));
        property_changed(DISPID_Twain_ToolTipText);
        return S_OK;
    });
}

HRESULT TwainControl::get_ColorType(LONG* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = color_type_;
        return S_OK;
    });
}

HRESULT TwainControl::put_ColorType(LONG iType) noexcept {
    return automation([&] {
        color_type_ = iType;
        property_changed(DISPID_Twain_ColorType);
        return S_OK;
    });
}

HRESULT TwainControl::get_Resolution(SHORT* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = resolution_;
        return S_OK;
    });
}

HRESULT TwainControl::put_Resolution(SHORT iResolution) noexcept {
    return automation([&] {
        resolution_ = iResolution;
        property_changed(DISPID_Twain_Resolution);
        return S_OK;
    });
}

HRESULT TwainControl::get_filename(BSTR* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = nullptr;
        *value = alloc_bstr(filename_);
        return S_OK;
    });
}

HRESULT TwainControl::put_filename(BSTR sFileName) noexcept {
    return automation([&] {
        filename_ = from_bstr(sFileName);
        // Stored under the key "Filename"; sinks know it by its DISPID.
        property_changed(DISPID_Twain_filename);
        return S_OK;
    });
}

HRESULT TwainControl::get_ShowProgress(VARIANT_BOOL* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = to_variant_bool(show_progress_);
        return S_OK;
    });
}

HRESULT TwainControl::put_ShowProgress(VARIANT_BOOL bEnabled) noexcept {
    return automation([&] {
        show_progress_ = bEnabled != VARIANT_FALSE;
        property_changed(DISPID_Twain_ShowProgress);
        return S_OK;
    });
}

HRESULT TwainControl::get_ShowInterface(VARIANT_BOOL* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = to_variant_bool(show_interface_);
        return S_OK;
    });
}

HRESULT TwainControl::put_ShowInterface(VARIANT_BOOL bEnabled) noexcept {
    return automation([&] {
        show_interface_ = bEnabled != VARIANT_FALSE;
        property_changed(DISPID_Twain_ShowInterface);
        return S_OK;
    });
}

HRESULT TwainControl::get_Scrollable(VARIANT_BOOL* value) noexcept {
    return automation([&] {
        require_out(value);
        *value = to_variant_bool(scrollable_);
        return S_OK;
    });
}

HRESULT TwainControl::put_Scrollable(VARIANT_BOOL bEnabled) noexcept {
    return automation([&] {
        scrollable_ = bEnabled != VARIANT_FALSE;
        property_changed(DISPID_Twain_Scrollable);
        return S_OK;
    });
}

// ---- methods -------------------------------------------------------------------

HRESULT TwainControl::Refresh() noexcept {
    return automation([&] {
        view_->refresh();
        return S_OK;
    });
}

}  // namespace korvix
