// cGDI's calls into GDI+, through a stand-in that records them and forwards
// to the real functions. Wine's JPEG encoder ignores the quality, so what is
// checked is that the quality reaches the encoder's parameter block; and that
// every save shuts down the GDI+ it started, whatever failed.
#include <iterator>

#include "codecs/gdi_helper.h"
#include "codecs/gdiplus_api.h"
#include "tests/wine/files/files_fixture.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {
namespace {

using namespace Gdiplus;

struct Recorded {
    int running = 0;  // started and not yet shut down
    bool had_parameters = false;
    EncoderParameter parameter{};
    ULONG quality = 0;
} g_recorded;

Status WINAPI record_startup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
    EXPECT_EQ(input->GdiplusVersion, 1u);
    const Status status = GdiplusStartup(token, input, output);
    g_recorded.running += status == Ok;
    return status;
}

void WINAPI record_shutdown(ULONG_PTR token) {
    --g_recorded.running;
    GdiplusShutdown(token);
}

GpStatus WINGDIPAPI record_save(GpImage* image, const WCHAR* file, const CLSID* encoder,
                                const EncoderParameters* parameters) {
    g_recorded.had_parameters = parameters != nullptr;
    if (parameters) {
        EXPECT_EQ(parameters->Count, 1u) << "a quality entry and nothing else: compression has no effect";
        g_recorded.parameter = parameters->Parameter[0];
        g_recorded.quality = *static_cast<const ULONG*>(parameters->Parameter[0].Value);
    }
    return DllExports::GdipSaveImageToFile(image, file, encoder, parameters);
}

class GdiplusCalls : public FilesTest {};

TEST_F(GdiplusCalls, OnlyJpegGetsTheQualityAndNoSaveLeavesGdiplusStarted) {
    GdiplusApi api = system_gdiplus();
    api.startup = &record_startup;
    api.shutdown = &record_shutdown;
    api.save_image_to_file = &record_save;
    const unique_hbitmap bitmap = hostkit::make_gradient_bitmap(48, 32);
    const LONG handle = static_cast<LONG>(reinterpret_cast<LONG_PTR>(bitmap.get()));
    CLSID quality_id{};
    ::CLSIDFromString(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}", &quality_id);
    const struct {
        LONG bitmap, file_type;
        BYTE quality;
        std::wstring name;
        bool written;
    } cases[] = {
        {handle, 1, 0, file(L"q.jpg"), true},      {handle, 1, 37, file(L"q.jpg"), true},
        {handle, 1, 100, file(L"q.jpg"), true},    {handle, 1, 255, file(L"q.jpg"), true},
        {handle, 0, 90, file(L"q.bmp"), true},     {handle, 2, 90, file(L"q.gif"), true},
        {handle, 4, 90, file(L"q.png"), true},     {0, 1, 90, file(L"none.jpg"), false},
        {handle, 4, 90, L"", false},               {handle, 4, 90, file(L"no\\such.png"), false},
    };
    GdiHelper gdi;
    for (int i = 0; i < 200; ++i) {  // every case many times: nothing may stay started in between
        const auto& c = cases[i % std::size(cases)];
        SCOPED_TRACE("case " + std::to_string(i % std::size(cases)));
        g_recorded.had_parameters = false;
        gdi.set_bitmap_handle(c.bitmap);
        EXPECT_EQ(gdi.save_file(c.name, c.file_type, c.quality, 9, {}, api) == Ok, c.written);
        ASSERT_EQ(g_recorded.running, 0) << "GDI+ still started";
        if (!c.written) continue;
        ASSERT_EQ(g_recorded.had_parameters, c.file_type == 1) << "a parameter block for JPEG only";
        if (c.file_type != 1) continue;
        EXPECT_TRUE(IsEqualGUID(g_recorded.parameter.Guid, quality_id));
        EXPECT_EQ(g_recorded.parameter.Type, ULONG(EncoderParameterValueTypeLong));
        EXPECT_EQ(g_recorded.parameter.NumberOfValues, 1u);
        EXPECT_EQ(g_recorded.quality, c.quality);
    }
}

}  // namespace
}  // namespace korvix::test
