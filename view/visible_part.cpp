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
// right of `columns` within them.
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

bool ViewportCanvas::fits(const PixelRect& part) const noexcept {
    return picture_ && width_ == part.width && height_ == part.height;
}

void ViewportCanvas::make(const PixelRect& part) {
    release();
    const BITMAPINFO info = dib_header24(part.width, part.height);
    void* bits = nullptr;
    unique_hbitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) throw hresult_error(E_OUTOFMEMORY, "Not enough memory to show the picture.");
    com_ptr<IPictureDisp> picture = bitmap_to_picture(std::move(dib));
    com_ptr<IPicture> selectable = picture.query<IPicture>(IID_IPicture);
    if (!selectable || FAILED(selectable->SelectPicture(target_dc_.get(), nullptr, nullptr)))
        throw hresult_error(E_FAIL, "The picture could not be shown.");
    // A monochrome bitmap's 0 and 1 take the target's text and background
    // colours: black and white, as reading it at 24 bits gives them.
    ::SetTextColor(target_dc_.get(), RGB(0, 0, 0));
    ::SetBkColor(target_dc_.get(), RGB(255, 255, 255));
    picture_ = std::move(picture);
    bits_ = static_cast<std::uint8_t*>(bits);
    width_ = part.width;
    height_ = part.height;
}

void ViewportCanvas::release() noexcept {
    // Out of our context before the picture may go: a selected bitmap
    // cannot be deleted.
    if (com_ptr<IPicture> selected = picture_.query<IPicture>(IID_IPicture))
        selected->SelectPicture(nullptr, nullptr, nullptr);
    picture_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

com_ptr<IPictureDisp> ViewportCanvas::show(IPictureDisp* picture, const PixelRect& part) {
    const BorrowedBitmap source = bitmap_of_picture(picture);
    BITMAP bm{};
    if (!source.bitmap || ::GetObjectW(source.bitmap, sizeof bm, &bm) != int(sizeof bm)) return nullptr;
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || part.width < 1 || part.height < 1) return nullptr;

    // A borrowed bitmap can be selected into one device context only: the
    // one its picture keeps it in, or ours. When another context holds it,
    // only the whole-picture reading can get at it.
    if (!source_dc_) source_dc_.reset(::CreateCompatibleDC(nullptr));
    if (!target_dc_) target_dc_.reset(::CreateCompatibleDC(nullptr));
    if (!source_dc_ || !target_dc_) throw hresult_error(E_OUTOFMEMORY, "Not enough memory to show the picture.");
    HDC from = source.selected_into;
    select_scope selected_source(from ? nullptr : source_dc_.get(), source.bitmap);
    if (!from) {
        if (!selected_source.ok()) {
            release();
            return cut_out_through_whole_picture(picture, part);
        }
        from = source_dc_.get();
    }

    if (!fits(part)) make(part);
    // Columns and rows of the canvas that the picture covers.
    const Span columns = overlap(part.left, part.width, bm.bmWidth);
    const Span rows = overlap(part.top, part.height, bm.bmHeight);
    const Span inside_columns{columns.begin - part.left, columns.end - part.left};
    const Span inside_rows{rows.begin - part.top, rows.end - part.top};
    ::GdiFlush();
    blacken_outside(bits_, Picture24::checked_stride(part.width), part.height, inside_rows, inside_columns);
    if (!columns.empty() && !rows.empty()) {
        if (!::BitBlt(target_dc_.get(), static_cast<int>(inside_columns.begin), static_cast<int>(inside_rows.begin),
                      static_cast<int>(columns.end - columns.begin), static_cast<int>(rows.end - rows.begin), from,
                      static_cast<int>(columns.begin), static_cast<int>(rows.begin), SRCCOPY)) {
            release();
            return cut_out_through_whole_picture(picture, part);
        }
        ::GdiFlush();
    }
    return picture_;
}

com_ptr<IPictureDisp> cut_out_through_whole_picture(IPictureDisp* picture, const PixelRect& part) {
    Picture24 whole;
    set_picture(whole, picture);
    if (whole.empty() || part.width < 1 || part.height < 1) return nullptr;
    whole.crop(part.left, part.top, part.width, part.height);
    return get_picture(whole);
}

}  // namespace korvix
