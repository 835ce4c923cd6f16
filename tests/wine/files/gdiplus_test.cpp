// cGDI's calls into GDI+, seen through a stand-in that records them and
// forwards to the real functions. Wine's JPEG encoder ignores the quality,
// so what can be checked here is that the quality reaches the encoder's
// parameter block; and that every GDI+ started is shut down before the call
// returns, whatever failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "codecs/gdi_helper.h"
#include "codecs/gdiplus_api.h"
#include "tests/wine/files/files_fixture.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {
namespace {

using namespace Gdiplus;

struct Recorded {
    std::vector<ULONG_PTR> running;  // tokens started and not yet shut down
    int startups = 0, saves = 0;
    UINT32 version = 0;
    bool had_parameters = false;
    EncoderParameter parameter{};
    ULONG quality = 0;
} g_recorded;

Status WINAPI record_startup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
    const Status status = GdiplusStartup(token, input, output);
    ++g_recorded.startups;
    g_recorded.version = input->GdiplusVersion;
    if (status == Ok) g_recorded.running.push_back(*token);
    return status;
}

void WINAPI record_shutdown(ULONG_PTR token) {
    auto& running = g_recorded.running;
    running.erase(std::remove(running.begin(), running.end(), token), running.end());
    GdiplusShutdown(token);
}

GpStatus WINGDIPAPI record_save(GpImage* image, const WCHAR* file, const CLSID* encoder,
                                const EncoderParameters* parameters) {
    ++g_recorded.saves;
    g_recorded.had_parameters = parameters != nullptr;
    if (parameters) {
        EXPECT_EQ(parameters->Count, 1u) << "a quality entry and nothing else: compression has no effect";
        g_recorded.parameter = parameters->Parameter[0];
        g_recorded.quality = *static_cast<const ULONG*>(parameters->Parameter[0].Value);
    }
    return DllExports::GdipSaveImageToFile(image, file, encoder, parameters);
}

GdiplusApi recording_gdiplus() {
    GdiplusApi api = system_gdiplus();
    api.startup = &record_startup;
    api.shutdown = &record_shutdown;
    api.save_image_to_file = &record_save;
    return api;
}

class GdiplusCalls : public ::testing::Test {
protected:
    void SetUp() override { g_recorded = Recorded{}; }
    scratch_folder folder_{L"GdiplusCalls"};
    unique_hbitmap bitmap_ = hostkit::make_gradient_bitmap(48, 32);
};

TEST_F(GdiplusCalls, JpegQualityReachesTheEncodersParameterBlock) {
    const GdiplusApi api = recording_gdiplus();
    GdiHelper gdi;
    gdi.set_bitmap_handle(static_cast<LONG>(reinterpret_cast<LONG_PTR>(bitmap_.get())));
    for (BYTE quality : {0, 37, 100, 255}) {
        ASSERT_EQ(gdi.save_file(folder_.file(L"q.jpg"), 1, quality, 9, {}, api), Ok);
        ASSERT_TRUE(g_recorded.had_parameters);
        CLSID quality_id{};
        ::CLSIDFromString(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}", &quality_id);
        EXPECT_TRUE(IsEqualGUID(g_recorded.parameter.Guid, quality_id));
        EXPECT_EQ(g_recorded.parameter.Type, ULONG(EncoderParameterValueTypeLong));
        EXPECT_EQ(g_recorded.parameter.NumberOfValues, 1u);
        EXPECT_EQ(g_recorded.quality, quality);
    }
    for (LONG other : {0, 2, 4}) {
        ASSERT_EQ(gdi.save_file(folder_.file(L"q.other"), other, 90, 9, {}, api), Ok);
        EXPECT_FALSE(g_recorded.had_parameters) << "file type " << other;
    }
    EXPECT_EQ(g_recorded.version, 1u);
}

TEST_F(GdiplusCalls, NoSaveLeavesGdiplusStartedWhateverFails) {
    const GdiplusApi api = recording_gdiplus();
    GdiHelper gdi;
    for (int i = 0; i < 200; ++i) {
        // No bitmap, an empty name, a missing folder, or a good save, in every file type.
        gdi.set_bitmap_handle(i % 7 == 0 ? 0 : static_cast<LONG>(reinterpret_cast<LONG_PTR>(bitmap_.get())));
        const std::wstring name = i % 5 == 1 ? L"" : i % 3 == 0 ? folder_.file(L"no\\such") : folder_.file(L"f");
        const int status = gdi.save_file(name, i % 6, 50, 0, {}, api);
        EXPECT_EQ(status == Ok, i % 7 != 0 && i % 5 != 1 && i % 3 != 0) << "round " << i;
        ASSERT_TRUE(g_recorded.running.empty()) << "GDI+ still started after round " << i;
    }
    EXPECT_GT(g_recorded.startups, 100);
}

}  // namespace
}  // namespace korvix::test
