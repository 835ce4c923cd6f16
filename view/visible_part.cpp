#include "view/visible_part.h"

#include <algorithm>
#include <cstring>

#include "picture24/win/dib_header.h"
#include "picture24/win/picture_conversion.h"
#include "picture24/win/picture_source.h"

namespace korvix {
namespace {

struct Span {
    std::int64_t begin = 0, end = 0;  // [begin, end)
    bool empty() const noexcept { return begin >= end; }
};

// The part of [start, start + length) that lies in [0, limit).
Span overlap(std::int32_t start, std::int32_t length, std::int32_t limit) noexcept {
    return Span{std::max<std::int64_t>(start, 0), std::min<std::int64_t>(std::int64_t{start} + length, limit)};
}

// Black for every byte of the rows outside `rows`, and for the bytes left and
// right of `columns` within them (the DIB section's memory is not promised
// to start zeroed).
void blacken_outside(std::uint8_t* bits, std::size_t stride, std::int32_t height, Span rows, Span columns) {
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = bits + stride * static_cast<std::size_t>(y);
        if (y < rows.begin || y >= rows.end || columns.empty()) {
            std::memset(row, 0, stride);
            continue;
        }
        const std::size_t before = static_cast<std::size_t>(3 * columns.begin);
        const std::size_t after = static_cast<std::size_t>(3 * columns.end);
        std::memset(row, 0, before);
        std::memset(row + after, 0, stride - after);
    }
}

}  // namespace

com_ptr<IPictureDisp> cut_out_visible_part(IPictureDisp* picture, const PixelRect& part) {
    const BorrowedBitmap source = bitmap_of_picture(picture);
    BITMAP bm{};
    if (!source.bitmap || ::GetObjectW(source.bitmap, sizeof bm, &bm) != int(sizeof bm)) return nullptr;
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || part.width < 1 || part.height < 1) return nullptr;

    // A borrowed bitmap can be selected into one device context only: the
    // one its picture keeps it in, or ours. When another context holds it,
    // only the whole-picture reading can get at it.
    unique_hdc own_source;
    HDC from = source.selected_into;
    if (!from) own_source.reset(::CreateCompatibleDC(nullptr));
    select_scope selected_source(own_source.get(), source.bitmap);
    if (!from) {
        if (!own_source) throw hresult_error(E_OUTOFMEMORY, "Not enough memory to show the picture.");
        if (!selected_source.ok()) return cut_out_through_whole_picture(picture, part);
        from = own_source.get();
    }

    const BITMAPINFO info = dib_header24(part.width, part.height);
    void* bits = nullptr;
    unique_hbitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    unique_hdc target(::CreateCompatibleDC(nullptr));
    if (!dib || !bits || !target) throw hresult_error(E_OUTOFMEMORY, "Not enough memory to show the picture.");

    // Columns and rows of the result that the picture covers.
    const Span columns = overlap(part.left, part.width, bm.bmWidth);
    const Span rows = overlap(part.top, part.height, bm.bmHeight);
    const Span inside_columns{columns.begin - part.left, columns.end - part.left};
    const Span inside_rows{rows.begin - part.top, rows.end - part.top};
    blacken_outside(static_cast<std::uint8_t*>(bits), Picture24::checked_stride(part.width), part.height,
                    inside_rows, inside_columns);
    if (!columns.empty() && !rows.empty()) {
        select_scope selected_target(target.get(), dib.get());
        if (!selected_target.ok()) throw hresult_error(E_FAIL, "The picture could not be shown.");
        // A monochrome bitmap's 0 and 1 take the target's text and background
        // colours: black and white, as reading it at 24 bits gives them.
        ::SetTextColor(target.get(), RGB(0, 0, 0));
        ::SetBkColor(target.get(), RGB(255, 255, 255));
        if (!::BitBlt(target.get(), static_cast<int>(inside_columns.begin), static_cast<int>(inside_rows.begin),
                      static_cast<int>(columns.end - columns.begin), static_cast<int>(rows.end - rows.begin), from,
                      static_cast<int>(columns.begin), static_cast<int>(rows.begin), SRCCOPY))
            return cut_out_through_whole_picture(picture, part);
        ::GdiFlush();
    }
    return bitmap_to_picture(std::move(dib));
}

com_ptr<IPictureDisp> cut_out_through_whole_picture(IPictureDisp* picture, const PixelRect& part) {
    Picture24 whole;
    set_picture(whole, picture);
    if (whole.empty() || part.width < 1 || part.height < 1) return nullptr;
    whole.crop(part.left, part.top, part.width, part.height);
    return get_picture(whole);
}

}  // namespace korvix
