#include "picture24/win/key_region.h"

#include <cstring>
#include <limits>

namespace korvix {
namespace {

void delete_region_object(void* region) noexcept { ::DeleteObject(static_cast<HGDIOBJ>(region)); }

void check_window(HWND window) {
    if (!::IsWindow(window))
        throw hresult_error(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE), "The window handle is not valid.");
}

}  // namespace

unique_hrgn region_from_rects(const std::vector<RegionRect>& rects) {
    // RGNDATA is a header followed by the rectangles; its size is a DWORD.
    constexpr size_t max_rects = (std::numeric_limits<DWORD>::max() - sizeof(RGNDATAHEADER)) / sizeof(RECT);
    if (rects.size() > max_rects) throw hresult_error(E_OUTOFMEMORY, "The region has too many rectangles.");
    const size_t bytes = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
    std::vector<unsigned char> storage(bytes);
    auto* data = reinterpret_cast<RGNDATA*>(storage.data());
    RGNDATAHEADER& header = data->rdh;
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = DWORD(rects.size());
    header.nRgnSize = DWORD(rects.size() * sizeof(RECT));
    RECT bounds{0, 0, 0, 0};
    auto* out = reinterpret_cast<RECT*>(data->Buffer);
    for (size_t i = 0; i < rects.size(); ++i) {
        const RegionRect& r = rects[i];
        const RECT rect{LONG(r.left), LONG(r.top), LONG(r.right), LONG(r.bottom)};
        std::memcpy(out + i, &rect, sizeof(rect));
        if (i == 0) {
            bounds = rect;
        } else {
            if (rect.left < bounds.left) bounds.left = rect.left;
            if (rect.top < bounds.top) bounds.top = rect.top;
            if (rect.right > bounds.right) bounds.right = rect.right;
            if (rect.bottom > bounds.bottom) bounds.bottom = rect.bottom;
        }
    }
    header.rcBound = bounds;
    unique_hrgn region(::ExtCreateRegion(nullptr, DWORD(bytes), data));
    if (!region) throw hresult_error(E_OUTOFMEMORY, "The window region could not be created.");
    return region;
}

void create_region(Picture24& picture, std::int32_t key) {
    picture.delete_region();
    if (picture.empty()) return;
    unique_hrgn region = region_from_rects(picture.key_region_rects(key));
    picture.set_region(RegionHandle(region.release(), delete_region_object));
}

HRGN held_region(const Picture24& picture) noexcept { return static_cast<HRGN>(picture.region()); }

void apply_region(const Picture24& picture, HWND window) {
    if (!picture.has_region()) return;
    check_window(window);
    unique_hrgn copy(::CreateRectRgn(0, 0, 0, 0));
    if (!copy || ::CombineRgn(copy.get(), held_region(picture), nullptr, RGN_COPY) == ERROR)
        throw hresult_error(E_OUTOFMEMORY, "The window region could not be copied.");
    if (!::SetWindowRgn(window, copy.get(), TRUE))
        throw hresult_error(HRESULT_FROM_WIN32(::GetLastError() ? ::GetLastError() : ERROR_INVALID_WINDOW_HANDLE),
                            "The window region could not be set.");
    copy.release();  // the window owns it now
}

void remove_region(HWND window) {
    check_window(window);
    ::SetWindowRgn(window, nullptr, TRUE);
}

}  // namespace korvix
