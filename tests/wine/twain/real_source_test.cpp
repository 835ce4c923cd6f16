// The control scanning from a TWAIN source the project did not write: Wine's
// own camera source, gphoto2.ds, under Wine's own DSM. with_camera.sh gives
// it a camera (a tmpfs with DCIM/100TEST/TEST0001.JPG in a private mount
// namespace), with_source.sh installs it as the prefix's only source. The
// source refuses the all-zero identity, does not answer CAP_UICONTROLLABLE,
// hands over a bitmap handle and reports a transfer still pending after the
// last one: the photo must arrive all the same, pixel for pixel.
//
// The reference is the same JPEG decoded by the Windows Imaging Component in
// this test: both it and the source decode with the same libjpeg at its
// default settings, so every pixel must be equal. Beside it, the inner 8 x 8
// pixels of each 16 x 16 block of the photo must hold that block's colour
// within 4 levels (JPEG keeps a flat block's centre that well; its edges
// blur into the next block's chroma), so the comparison cannot pass on two
// equally wrong decodes.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/twain/scan_test_support.h"
#include "twain/win/twain_acquisition.h"

namespace korvix::twain::test {
namespace {

// The photo: 6 x 4 blocks of 16 x 16 pixels, row by row.
constexpr std::uint32_t kBlocks[24] = {
    0x000000, 0xFFFFFF, 0xC81E1E, 0x1EA028, 0x283CD2, 0xE6C828, 0x787878, 0xC85AAA,
    0x28BEC8, 0xFA8C1E, 0x5A3214, 0xB4DC78, 0x14285A, 0xF0F0C8, 0x961446, 0x3C643C,
    0xD2AA8C, 0x6400C8, 0x007878, 0xFF0000, 0x00FF00, 0x0000FF, 0x804000, 0x4040C0};

// The photo decoded by the platform, as 0xRRGGBB pixels, top row first.
picture_pixels decoded_by_wic(const std::wstring& path) {
    picture_pixels out;
    com_ptr<IWICImagingFactory> factory;
    com_ptr<IWICBitmapDecoder> decoder;
    com_ptr<IWICBitmapFrameDecode> frame;
    com_ptr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.put_void())) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)))
        return out;
    const UINT stride = (width * 3 + 3) & ~3u;
    std::vector<BYTE> bgr(static_cast<std::size_t>(stride) * height);
    if (FAILED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(bgr.size()), bgr.data()))) return out;
    out.width = static_cast<int>(width), out.height = static_cast<int>(height), out.bits = 24;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            const BYTE* p = &bgr[static_cast<std::size_t>(y) * stride + 3 * x];
            out.rgb.push_back(static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]));
        }
    return out;
}

int channel_distance(std::uint32_t a, std::uint32_t b) {
    int most = 0;
    for (int shift = 0; shift < 24; shift += 8)
        most = std::max(most, std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)));
    return most;
}

// The source's own "Skip This Dialog" setting, on while the test runs: it
// then marks every photo for transfer without showing its dialog.
class skip_camera_dialog {
public:
    skip_camera_dialog() {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Gphoto2", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr) != ERROR_SUCCESS)
            return;
        key_.reset(key);
        const DWORD on = 1;
        set_ = ::RegSetValueExW(key, L"SkipUI", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on) ==
               ERROR_SUCCESS;
    }
    ~skip_camera_dialog() {
        if (key_) ::RegDeleteValueW(key_.get(), L"SkipUI");
    }
    bool set() const noexcept { return set_; }

private:
    unique_hkey key_;
    bool set_ = false;
};

TEST(RealSource, ACameraPhotoArrivesPixelForPixelThroughWinesCameraSource) {
    if (!std::getenv("KORVIX_CAMERA_MOUNTED")) GTEST_SKIP() << "run through with_camera.sh, which mounts the camera";
    const picture_pixels reference = decoded_by_wic(hostkit::windows_path(KORVIX_CAMERA_PHOTO));
    ASSERT_EQ(reference.width, 96);
    ASSERT_EQ(reference.height, 64);
    for (int y = 0; y < reference.height; ++y)
        for (int x = 0; x < reference.width; ++x)
            if (x % 16 >= 4 && x % 16 < 12 && y % 16 >= 4 && y % 16 < 12)
                ASSERT_LE(channel_distance(reference.at(x, y), kBlocks[y / 16 * 6 + x / 16]), 4) << x << "," << y;

    const skip_camera_dialog skip;
    ASSERT_TRUE(skip.set());
    scan_host host;
    host.settings(150, 2, false, true);  // the source's own "dialog", which the setting skips
    const temp_folder_watch temp;
    const com_ptr<IPictureDisp> before = host.picture();
    ASSERT_TRUE(host.scan().ok());
    ASSERT_NE(host.picture().get(), before.get()) << "no photo arrived";
    const picture_pixels scanned = read_picture(host.picture().get());
    ASSERT_EQ(scanned.width, reference.width);
    ASSERT_EQ(scanned.height, reference.height);
    int differing = 0;
    for (std::size_t i = 0; i < scanned.rgb.size(); ++i) differing += scanned.rgb[i] != reference.rgb[i];
    EXPECT_EQ(differing, 0) << "pixels unlike the platform's decoding of the photo";
    EXPECT_FALSE(temp.changed()) << "the scan wrote to the temporary folder";

    // The whole protocol ends cleanly: the pending transfer reset, the
    // source disabled and closed, the DSM closed.
    TwainAcquisition twain;
    com_ptr<IPictureDisp> again;
    const AcquireResult r = twain.acquire(again, ScanSettings{150, 2, false, true});
    EXPECT_EQ(r.status, 0u);
    EXPECT_TRUE(r.replaced);
    EXPECT_EQ(read_picture(again.get()).rgb, reference.rgb);
}

}  // namespace
}  // namespace korvix::twain::test
