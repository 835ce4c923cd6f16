// Which format Save writes: the stored file type, else the name's extension
// (each extension in both cases is checked through the control under Wine);
// and a resolution's round trip through a bitmap header's pixels per metre.
#include <gtest/gtest.h>

#include <cmath>

#include "codecs/encoder_table.h"
#include "codecs/image_rows.h"

namespace korvix {
namespace {

TEST(EncoderChoice, AStoredFileTypeDecidesElseTheNamesExtension) {
    using F = ImageFormat;
    const struct {
        int32_t file_type;
        const wchar_t* name;
        F format;
    } cases[] = {
        {0, L"C:\\scans\\page.TiFf", F::tiff}, {0, L"page.jfif", F::jpeg}, {0, L"page.png. ", F::png},
        {0, L".png", F::png},                  {0, L"page.pngx", F::bmp},  {0, L"C:\\a.png\\page", F::bmp},
        {0, L"C:/a.jpg/page", F::bmp},         {0, L"", F::bmp},           {0, L"...", F::bmp},
        {3, L"page.png", F::tiff},             {1, L"page", F::jpeg},
        {7, L"page.png", F::bmp},              {-1, L"page.gif", F::bmp},  // outside the table: BMP, as always
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
    } cases[] = {{300, 11811, 300}, {50, 1969, 50}, {72.5, 2854, 2854 * 0.0254}, {-5, 0, 0}, {std::nan(""), 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(pels_per_metre(c.dpi), c.pels) << c.dpi;
        EXPECT_DOUBLE_EQ(dpi_from_pels_per_metre(c.pels), c.back) << c.dpi;
    }
}

}  // namespace
}  // namespace korvix
