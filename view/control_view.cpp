#include "view/control_view.h"

#include "common/handle_bits.h"
#include "view/control_view_impl.h"
#include "view/picture_painting.h"

namespace korvix {
namespace {

// What the platform's LoadPicture gives without a file: a picture with no bitmap.
com_ptr<IPictureDisp> empty_picture() {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_NONE;
    com_ptr<IPictureDisp> picture;
    throw_if_failed(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void()),
                    "An empty picture could not be created.");
    return picture;
}

}  // namespace

ParkingWindow::ParkingWindow() {
    hwnd_.reset(create_view_window(ViewWindowClass::parking, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                   WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, 0, 0}, nullptr, *this));
}

ControlView::Impl::Impl(ControlViewSite& owner_site) : site(owner_site) {
    surface = std::make_unique<SurfaceWindow>(parking.hwnd(), units, *this, site);
    box = std::make_unique<PictureBoxWindow>(surface->hwnd(), parking.hwnd(), units, *this, site);
    hbar = std::make_unique<ScrollBarWindow>(surface->hwnd(), true, units, *this);
    vbar = std::make_unique<ScrollBarWindow>(surface->hwnd(), false, units, *this);
    surface->set_scroll_bars(hbar.get(), vbar.get());
    engine = std::make_unique<view::LayoutEngine>(*this, *surface, *box, *hbar, *vbar);
    view_picture = empty_picture();
    ready = true;
}

ControlView::Impl::~Impl() {
    ready = false;
    surface->set_scroll_bars(nullptr, nullptr);
}

view::PictureSize ControlView::Impl::measure_view_picture() {
    gdi.set_picture(view_picture.get());  // its Handle, read as the default property
    return view::PictureSize{gdi.get_width(), gdi.get_height()};
}

void ControlView::Impl::repaint_picture_box() {
    if (box->hwnd()) ::RedrawWindow(box->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void ControlView::Impl::surface_resized() {
    if (!ready) return;
    try {
        engine->surface_resized();
    } catch (...) {
        // A picture that cannot be measured leaves the view as it was; the
        // host still hears about the new size.
    }
    site.on_surface_resize();
}

void ControlView::Impl::picture_box_resized() {
    if (ready) engine->picture_box_resized();
}

void ControlView::Impl::scroll_changed() {
    if (ready) engine->scroll_changed();
}

void ControlView::Impl::scroll_tracked() {
    if (!ready) return;
    engine->scroll_tracked();
    site.on_scroll();
}

// ---------------------------------------------------------------------------

ControlView::ControlView(ControlViewSite& site) : impl_(std::make_unique<Impl>(site)) {}
ControlView::~ControlView() = default;

HWND ControlView::surface_hwnd() const noexcept { return impl_->surface->hwnd(); }

void ControlView::attach(HWND parent, const RECT& pos) {
    HWND surface = impl_->surface->hwnd();
    if (!surface) throw hresult_error(E_UNEXPECTED, "The control's window is gone.");
    if (!::SetParent(surface, parent))
        throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()), "The control could not be placed in its container.");
    set_rect(pos);
    ::ShowWindow(surface, SW_SHOWNA);
}

void ControlView::detach() noexcept {
    HWND surface = impl_->surface->hwnd();
    if (!surface) return;
    ::ShowWindow(surface, SW_HIDE);
    ::SetParent(surface, impl_->parking.hwnd());
}

void ControlView::set_rect(const RECT& pos) {
    ::SetWindowPos(impl_->surface->hwnd(), nullptr, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlView::set_size_pixels(LONG width, LONG height) {
    ::SetWindowPos(impl_->surface->hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SHORT ControlView::border_style() const noexcept { return impl_->surface->border_style(); }
void ControlView::set_border_style(SHORT style) { impl_->surface->set_border_style(style); }
bool ControlView::enabled() const noexcept { return impl_->surface->enabled(); }
void ControlView::set_enabled(bool value) { impl_->surface->set_enabled(value); }
LONG ControlView::width_twips() const noexcept { return impl_->surface->width(); }
LONG ControlView::height_twips() const noexcept { return impl_->surface->height(); }

OLE_COLOR ControlView::back_color() const noexcept { return impl_->box->back_color(); }
void ControlView::set_back_color(OLE_COLOR color) { impl_->box->set_back_color(color); }
SHORT ControlView::mouse_pointer() const noexcept { return impl_->box->mouse_pointer(); }
void ControlView::set_mouse_pointer(SHORT pointer) { impl_->box->set_mouse_pointer(pointer); }
com_ptr<IPictureDisp> ControlView::mouse_icon() const { return impl_->box->mouse_icon(); }
void ControlView::set_mouse_icon(IPictureDisp* icon) { impl_->box->set_mouse_icon(icon); }
std::wstring ControlView::tool_tip_text() const { return impl_->box->tool_tip_text(); }
void ControlView::set_tool_tip_text(const std::wstring& text) { impl_->box->set_tool_tip_text(text); }
LONG ControlView::picture_box_hdc() { return handle_to_long(impl_->box->own_dc()); }
HWND ControlView::picture_box_hwnd() const noexcept { return impl_->box->hwnd(); }
float ControlView::scale_width() const noexcept { return impl_->box->scale_width(); }
float ControlView::scale_height() const noexcept { return impl_->box->scale_height(); }
MemberRect ControlView::picture_box_rect() const noexcept { return impl_->box->rect_twips(); }
com_ptr<IPictureDisp> ControlView::shown_picture() const { return impl_->box->picture(); }

ScrollBarState ControlView::hscroll() const noexcept { return impl_->hbar->state(); }
ScrollBarState ControlView::vscroll() const noexcept { return impl_->vbar->state(); }

void ControlView::set_view_picture(IPictureDisp* pic) {
    impl_->view_picture = com_ptr<IPictureDisp>(pic);
    impl_->engine->set_view_picture();
}

com_ptr<IPictureDisp> ControlView::view_picture() const { return impl_->view_picture; }

void ControlView::refresh() { impl_->engine->refresh(); }

void ControlView::show_visible_part() { impl_->hscroll1_change(); }

}  // namespace korvix
