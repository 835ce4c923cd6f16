// Which format Save writes: the stored file type, else the name's extension;
// and the resolution's round trip through a bitmap header's pixels per metre.
#include <gtest/gtest.h>

#include <cmath>

#include "codecs/encoder_table.h"
#include "codecs/image_rows.h"

namespace korvix {
namespace {

TEST(EncoderChoice, AStoredFileTypeDecidesElseTheExtensionInAnyCase) {
    using F = ImageFormat;
    const struct {
        int32_t file_type;
        const wchar_t* name;
        F format;
    } cases[] = {
        {0, L"C:\\scans\\page.png", F::png},   {0, L"page.PNG", F::png},      {0, L"page.jpg", F::jpeg},
        {0, L"page.JPG", F::jpeg},              {0, L"page.jpeg", F::jpeg},    {0, L"page.JPEG", F::jpeg},
        {0, L"page.jpe", F::jpeg},              {0, L"page.JPE", F::jpeg},     {0, L"page.jfif", F::jpeg},
        {0, L"page.JFIF", F::jpeg},             {0, L"page.gif", F::gif},      {0, L"page.GIF", F::gif},
        {0, L"page.tif", F::tiff},              {0, L"page.TIF", F::tiff},     {0, L"page.tiff", F::tiff},
        {0, L"page.TiFf", F::tiff},             {0, L"page.bmp", F::bmp},      {0, L"page.DIB", F::bmp},
        {0, L"page.png. ", F::png},  // the file system drops trailing dots and spaces
        {0, L"page", F::bmp},                   {0, L"page.pngx", F::bmp},     {0, L"page.txt", F::bmp},
        {0, L"C:\\a.png\\page", F::bmp},        {0, L"C:/a.jpg/page", F::bmp}, {0, L".png", F::png},
        {0, L"", F::bmp},                       {0, L"...", F::bmp},
        {3, L"page.png", F::tiff},              {4, L"page.jpg", F::png},      {1, L"page", F::jpeg},
        {7, L"page.png", F::bmp},               {-1, L"page.gif", F::bmp},  // outside the table: BMP, as always
    };
    for (const auto& c : cases) {
        const FileTypeEncoder chosen = encoder_for_save(c.file_type, c.name);
        EXPECT_EQ(chosen.format, c.format) << c.file_type << " " << testing::PrintToString(std::wstring(c.name));
        EXPECT_STREQ(chosen.clsid_text, encoder_for_file_type(static_cast<int32_t>(c.format)).clsid_text);
    }
}

TEST(EncoderChoice, WholeDpiSurvivesPixelsPerMetre) {
    const struct {
        double dpi;
        int32_t pels;
        double back;
    } cases[] = {
        {300, 11811, 300}, {50, 1969, 50}, {96, 3780, 96}, {1200, 47244, 1200},
        {72.5, 2854, 2854 * 0.0254},  // not whole: the nearest step
        {0, 0, 0}, {-5, 0, 0}, {std::nan(""), 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pels_per_metre(c.dpi), c.pels) << c.dpi;
        EXPECT_DOUBLE_EQ(dpi_from_pels_per_metre(c.pels), c.back) << c.dpi;
    }
    EXPECT_EQ(dpi_from_pels_per_metre(-3780), 0);
}

}  // namespace
}  // namespace korvix
