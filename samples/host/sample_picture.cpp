#include "samples/host/sample_picture.h"

#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::sample {

com_ptr<IPictureDisp> make_sample_picture(int width, int height) {
    unique_hbitmap bitmap = hostkit::make_gradient_bitmap(width, height);
    window_dc screen(nullptr);
    unique_hdc dc(::CreateCompatibleDC(screen.get()));
    if (dc) {
        select_scope keep_bitmap(dc.get(), bitmap.get());
        unique_hfont font(::CreateFontW(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                        DEFAULT_PITCH | FF_SWISS, L"Arial"));
        select_scope keep_font(dc.get(), font.get());
        ::SetBkMode(dc.get(), TRANSPARENT);
        ::SetTextColor(dc.get(), RGB(255, 255, 255));
        RECT caption{24, height / 2 - 40, width, height / 2 + 40};
        ::DrawTextW(dc.get(), L"Korvix Twain control", -1, &caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        ::GdiFlush();
    }
    return hostkit::picture_from_bitmap(std::move(bitmap));
}

}  // namespace korvix::sample
