// Load through the control, on files built byte by byte: every kind of valid
// file the loader decoded before its checks still loads pixel for pixel, and
// hostile files (each rule's refusals, and truncated and bit-flipped copies
// of the valid ones) give Nothing or a picture, never a crash or a hang, and
// loading them again and again keeps committed memory flat.
#include "tests/wine/files/files_fixture.h"

#include <wincodec.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/image_files/image_files.h"
#include "tests/wine/hostkit/process_resources.h"

namespace korvix::test {
namespace {

class LoaderFiles : public FilesTest {
protected:
    // Writes the bytes and loads them; the control's Picture afterwards.
    com_ptr<IPictureDisp> load_bytes(IDispatch* control, const testfiles::Bytes& bytes) {
        const std::wstring path = file(L"image");
        EXPECT_TRUE(write_file(path, bytes));
        load(control, path);
        return picture(control);
    }
};

// How the picture differs from the one expected: "" when every pixel is
// within the tolerance, else the count and the first pixel that is not.
std::string difference(IPictureDisp* picture, const testfiles::TestFile& file) {
    SIZE size{};
    const std::vector<uint32_t> got = pixels_of(picture, &size);
    if (got.empty() || size.cx != LONG(file.shows.width) || size.cy != LONG(file.shows.height))
        return "a picture of " + std::to_string(size.cx) + " x " + std::to_string(size.cy);
    int wrong = 0;
    size_t first = 0;
    for (size_t i = 0; i < got.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(int(got[i] >> shift & 255) - int(file.shows.rgb[i] >> shift & 255)) > file.tolerance) {
                if (!wrong++) first = i;
                break;
            }
    if (!wrong) return {};
    char text[128];
    std::snprintf(text, sizeof text, "%d pixels differ; pixel %zu is %06X, not %06X", wrong, first, got[first],
                  file.shows.rgb[first]);
    return text;
}

// The file's first frame as the platform's decoder gives it when asked
// directly, on black as the loader puts it.
testfiles::Picture platform_picture(const std::wstring& path) {
    testfiles::Picture picture;
    com_ptr<IWICImagingFactory> factory;
    com_ptr<IWICBitmapDecoder> decoder;
    com_ptr<IWICBitmapFrameDecode> frame;
    com_ptr<IWICBitmapSource> converted;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.put_void())) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.get(), converted.put())) ||
        FAILED(converted->GetSize(&picture.width, &picture.height)))
        return {};
    picture.rgb.resize(size_t(picture.width) * picture.height);
    if (FAILED(converted->CopyPixels(nullptr, picture.width * 4, UINT(picture.rgb.size() * 4),
                                     reinterpret_cast<BYTE*>(picture.rgb.data()))))
        return {};
    for (uint32_t& pixel : picture.rgb) pixel &= 0xFFFFFF;
    return picture;
}

TEST_F(LoaderFiles, EveryValidKindStillLoadsPixelForPixel) {
    auto control = host_new();
    std::vector<testfiles::TestFile> files = testfiles::valid_files();
    files.push_back(testfiles::gif_with_lying_second_frame());
    for (testfiles::TestFile& kind : files) {
        const com_ptr<IPictureDisp> loaded = load_bytes(control->dispatch(), kind.bytes);
        ASSERT_TRUE(loaded) << kind.name << " gave Nothing";
        if (kind.platform_colours) kind.shows = platform_picture(file(L"image"));
        EXPECT_EQ(difference(loaded.get(), kind), "") << kind.name;
    }
}

// Each rule's refusal, twenty times over: Nothing every time, and committed
// memory where it was (a lying PNG kept about 4 bytes a claimed row per load,
// a lying GIF frame its whole size; a lying icon crashed the host).
TEST_F(LoaderFiles, EachRefusedFileGivesNothingAndKeepsNothing) {
    auto control = host_new();
    for (const testfiles::HostileFile& hostile : testfiles::hostile_files()) {
        SCOPED_TRACE(hostile.name);
        ASSERT_TRUE(write_file(file(L"hostile"), hostile.bytes));
        load(control->dispatch(), file(L"hostile"));  // warms what a first load sets up
        const size_t before = hostkit::committed_private_bytes();
        for (int i = 0; i < 20; ++i) {
            load(control->dispatch(), file(L"hostile"));
            EXPECT_FALSE(picture(control->dispatch()));
        }
        const size_t after = hostkit::committed_private_bytes();
        EXPECT_LT(after, before + (256u << 10)) << "grew by " << (after - before);
        EXPECT_TRUE(::DeleteFileW(file(L"hostile").c_str())) << "a handle on the file was left open";
    }
}

// Truncated and bit-flipped copies of every valid file: some are refused,
// some decode to a picture (a flipped pixel is still a picture), none
// crashes; over the whole batch memory stays flat.
TEST_F(LoaderFiles, DamagedCopiesOfValidFilesNeverCrashOrKeepMemory) {
    auto control = host_new();
    std::mt19937 random(20240516);
    std::vector<testfiles::Bytes> damaged;
    for (const testfiles::TestFile& file : testfiles::valid_files()) {
        const size_t n = file.bytes.size();
        for (size_t keep : {size_t(8), n / 3, n / 2, n - 1})
            damaged.emplace_back(file.bytes.begin(), file.bytes.begin() + std::ptrdiff_t(keep));
        for (int flips : {1, 4, 16}) {
            testfiles::Bytes copy = file.bytes;
            // Headers are where a lie matters: half the flips land in the first 64 bytes.
            for (int i = 0; i < flips; ++i)
                copy[random() % (i % 2 ? n : std::min<size_t>(n, 64))] ^= std::uint8_t(1u << (random() % 8));
            damaged.push_back(std::move(copy));
        }
    }
    auto sweep = [&] {
        int pictures = 0;
        for (const testfiles::Bytes& bytes : damaged) pictures += bool(load_bytes(control->dispatch(), bytes));
        return pictures;
    };
    sweep();  // warm: a first decode of each kind sets up the decoder's own state
    const size_t before = hostkit::committed_private_bytes();
    const int pictures = sweep();
    const size_t after = hostkit::committed_private_bytes();
    EXPECT_GT(pictures, 0);
    EXPECT_LT(pictures, int(damaged.size()));
    EXPECT_LT(after, before + (1u << 20)) << "grew by " << (after - before) << " over " << damaged.size() << " files";
}

}  // namespace
}  // namespace korvix::test
