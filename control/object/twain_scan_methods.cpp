// Scan and SelectSource: the control's way to the scanner.
#include "control/object/twain_control.h"

namespace korvix {

// The host's window that a source's dialog, and the chooser, are modal to
// when they run in the helper process; none while the control has no window.
HWND TwainControl::dialog_owner() const noexcept {
    const HWND own = view_ ? view_->surface_hwnd() : nullptr;
    return own && ::IsWindow(own) ? ::GetAncestor(own, GA_ROOT) : nullptr;
}

// Acquires one image with the control's settings and makes the picture
// current, new or unchanged. Its nested message loop runs the host's
// handlers, which may release the control or call it again: the control
// keeps itself alive, and a Scan or SelectSource made meanwhile returns at
// once with nothing acquired.
HRESULT TwainControl::Scan() noexcept {
    return automation([&] {
        if (twain_->busy()) return S_OK;
        const com_ptr<IUnknown> keep_alive(identity());
        const twain::ScanSettings settings{resolution_, color_type_, show_progress_, show_interface_};
        const twain::AcquireResult result = twain_->acquire(picture_, settings, dialog_owner());
        if (result.replaced) picture_dpi_ = Resolution{result.dpi_x, result.dpi_y};
        view_->set_view_picture(picture_.get());
        return S_OK;
    });
}

HRESULT TwainControl::SelectSource() noexcept {
    return automation([&] {
        if (twain_->busy()) return S_OK;
        const com_ptr<IUnknown> keep_alive(identity());
        twain_->choose_source(dialog_owner());
        return S_OK;
    });
}

}  // namespace korvix
