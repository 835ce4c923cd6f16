#include "view/picture_painting.h"

#include "common/handle_bits.h"

namespace korvix {

bool translate_ole_color(OLE_COLOR color, COLORREF& out) noexcept {
    return SUCCEEDED(::OleTranslateColor(color, nullptr, &out));
}

namespace {

// A picture kept selected in a context of its own (IPicture::SelectPicture)
// is drawn from there: its bitmap cannot be selected anywhere else.
void blit_bitmap(HDC dc, IPicture* picture, HBITMAP bitmap, const RECT& client) noexcept {
    BITMAP info{};
    if (!::GetObjectW(bitmap, sizeof info, &info)) return;
    const LONG w = info.bmWidth < client.right ? info.bmWidth : client.right;
    const LONG h = info.bmHeight < client.bottom ? info.bmHeight : client.bottom;
    HDC held = nullptr;
    if (SUCCEEDED(picture->get_CurDC(&held)) && held) {
        ::BitBlt(dc, 0, 0, w, h, held, 0, 0, SRCCOPY);
        return;
    }
    unique_hdc source(::CreateCompatibleDC(dc));
    if (!source) return;
    select_scope selected(source.get(), bitmap);
    if (!selected.ok()) return;
    ::BitBlt(dc, 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
}

// Icons and metafiles: the picture draws itself at its natural pixel size.
void render_other(HDC dc, IPicture* picture, const RECT& client) noexcept {
    OLE_XSIZE_HIMETRIC hm_w = 0;
    OLE_YSIZE_HIMETRIC hm_h = 0;
    if (FAILED(picture->get_Width(&hm_w)) || FAILED(picture->get_Height(&hm_h))) return;
    const LONG w = ::MulDiv(hm_w, ::GetDeviceCaps(dc, LOGPIXELSX), 2540);
    const LONG h = ::MulDiv(hm_h, ::GetDeviceCaps(dc, LOGPIXELSY), 2540);
    picture->Render(dc, 0, 0, w, h, 0, hm_h, hm_w, -hm_h, &client);
}

}  // namespace

void paint_picture_on_background(HDC dc, const RECT& client, COLORREF back, IPictureDisp* picture) noexcept {
    unique_hbrush brush(::CreateSolidBrush(back));
    if (brush) ::FillRect(dc, &client, brush.get());
    if (!picture) return;
    com_ptr<IPicture> pic;
    if (FAILED(picture->QueryInterface(IID_IPicture, pic.put_void())) || !pic) return;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(pic->get_Type(&type)) || FAILED(pic->get_Handle(&handle)) || !handle) return;
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    if (type == PICTYPE_BITMAP)
        blit_bitmap(dc, pic.get(), handle_from_ole<HBITMAP>(handle), client);
    else
        render_other(dc, pic.get(), client);
    if (saved) ::RestoreDC(dc, saved);
}

}  // namespace korvix
