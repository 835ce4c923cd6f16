#include "picture24/win/key_region.h"

#include <algorithm>
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

namespace {

// One ExtCreateRegion call for rects[first, first + count).
unique_hrgn region_from_slice(const std::vector<RegionRect>& rects, size_t first, size_t count,
                              std::vector<unsigned char>& storage) {
    const size_t bytes = sizeof(RGNDATAHEADER) + count * sizeof(RECT);
    storage.resize(bytes);
    auto* data = reinterpret_cast<RGNDATA*>(storage.data());
    RGNDATAHEADER& header = data->rdh;
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = DWORD(count);
    header.nRgnSize = DWORD(count * sizeof(RECT));
    RECT bounds{0, 0, 0, 0};
    auto* out = reinterpret_cast<RECT*>(data->Buffer);
    for (size_t i = 0; i < count; ++i) {
        const RegionRect& r = rects[first + i];
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

}  // namespace

unique_hrgn region_from_rects(const std::vector<RegionRect>& rects, size_t rects_per_call) {
    if (rects_per_call == 0) rects_per_call = 1;
    // RGNDATA is a header followed by the rectangles; its size is a DWORD.
    constexpr size_t max_rects = (std::numeric_limits<DWORD>::max() - sizeof(RGNDATAHEADER)) / sizeof(RECT);
    rects_per_call = std::min(rects_per_call, max_rects);
    std::vector<unsigned char> storage;
    if (rects.size() <= rects_per_call) return region_from_slice(rects, 0, rects.size(), storage);

    // Slices of consecutive rectangles joined in a balanced tree of unions
    // (each union merges two banded regions in one linear pass). The tree is
    // built like a binary counter, so only about log2(slices) regions exist
    // at a time, far below the per-process GDI handle quota.
    struct Part {
        unique_hrgn region;
        unsigned level;
    };
    std::vector<Part> stack;
    auto join_top = [&stack] {
        Part upper = std::move(stack.back());
        stack.pop_back();
        Part& lower = stack.back();
        if (::CombineRgn(lower.region.get(), lower.region.get(), upper.region.get(), RGN_OR) == ERROR)
            throw hresult_error(E_OUTOFMEMORY, "The window region could not be created.");
        ++lower.level;
    };
    for (size_t first = 0; first < rects.size(); first += rects_per_call) {
        stack.push_back({region_from_slice(rects, first, std::min(rects_per_call, rects.size() - first), storage), 0});
        while (stack.size() > 1 && stack[stack.size() - 2].level == stack.back().level) join_top();
    }
    while (stack.size() > 1) join_top();
    return std::move(stack.front().region);
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
