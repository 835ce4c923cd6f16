// Save and Load through the control: the file's real type, its pixels and
// its resolution, names of any script and length, and nothing left open or
// allocated after many rounds.
#include "tests/wine/files/files_fixture.h"

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/test_pictures.h"

#include <tlhelp32.h>

namespace korvix::test {
namespace {

const std::vector<uint8_t> kBmp{'B', 'M'}, kJpeg{0xFF, 0xD8, 0xFF}, kGif{'G', 'I', 'F', '8'},
    kTiff{'I', 'I', 42, 0}, kPng{0x89, 'P', 'N', 'G', 13, 10, 26, 10};

struct round_trip {
    LONG file_type;
    const std::vector<uint8_t>* magic;
    int width, height;      // of the gradient picture saved
    double max_difference;  // mean per channel; 0 = every pixel exact
};

// 16 x 16 gradient pixels are 256 distinct colours: the GIF keeps them all.
// 301 x 257 has thousands: the GIF gets a median-cut palette and still loads.
const round_trip kRoundTrips[] = {
    {0, &kBmp, 301, 257, 0},  {1, &kJpeg, 301, 257, 3}, {2, &kGif, 16, 16, 0}, {2, &kGif, 301, 257, 4},
    {3, &kTiff, 301, 257, 0}, {4, &kPng, 301, 257, 0},  {7, &kBmp, 33, 17, 0},
};

class Codecs : public FilesTest {};

TEST_F(Codecs, EachFileTypeWritesItsFormatAndLoadsBack) {
    for (const round_trip& t : kRoundTrips) {
        SCOPED_TRACE("file type " + std::to_string(t.file_type) + ", " + std::to_string(t.width) + " x " +
                     std::to_string(t.height));
        auto saver = host_with(t.file_type, 95);
        auto original = hostkit::make_gradient_picture(t.width, t.height);
        putref(saver->dispatch(), DISPID_Twain_Picture, original.get());
        const std::wstring path = folder_->file(L"picture.any");  // the extension decides nothing
        save(saver->dispatch(), path);
        EXPECT_TRUE(starts_with(read_file(path), *t.magic));

        auto loader = host_new();
        load(loader->dispatch(), path);
        const rgb_pixels expected = pixels_of(original.get()), loaded = pixels_of(picture(loader->dispatch()).get());
        const double difference = mean_difference(expected, loaded);
        ASSERT_GE(difference, 0) << "the loaded picture has another size";
        if (t.max_difference == 0) EXPECT_EQ(loaded.rgb, expected.rgb) << "mean difference " << difference;
        else EXPECT_LE(difference, t.max_difference);
        EXPECT_EQ(get(loader->dispatch(), DISPID_Twain_BitmapWidth)->lVal, t.width);
        EXPECT_EQ(folder_->entries(), std::vector<std::wstring>{L"picture.any"}) << "only the file itself";
    }
}

// A BMP that records 300 x 150 dpi, written by hand: loaded and saved again,
// every format that stores a resolution carries it; a picture set by the
// host has none and is written with the screen's 96.
std::vector<uint8_t> bmp_at_300_by_150_dpi() {
    std::vector<uint8_t> file(54 + 4 * 2 * 3 + 4, 0);  // 2 x 2 pixels, rows padded to 8 bytes
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    file[26] = 1;
    file[28] = 24;
    put32(38, 11811);  // pixels per metre
    put32(42, 5906);
    for (size_t i = 54; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 37);
    return file;
}

TEST_F(Codecs, SavedFilesCarryThePicturesOwnResolution) {
    const std::wstring source = folder_->file(L"source.bmp");
    ASSERT_TRUE(write_file(source, bmp_at_300_by_150_dpi()));
    for (LONG type : {0, 1, 3, 4}) {
        SCOPED_TRACE("file type " + std::to_string(type));
        auto control = host_with(type);
        load(control->dispatch(), source);
        const std::wstring copy = folder_->file(L"copy" + std::to_wstring(type));
        save(control->dispatch(), copy);
        double x = 0, y = 0;
        ASSERT_TRUE(file_resolution(copy, &x, &y));
        EXPECT_NEAR(x, 300, 0.05);
        EXPECT_NEAR(y, 150, 0.05);

        putref(control->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(4, 4).get());
        save(control->dispatch(), copy);
        ASSERT_TRUE(file_resolution(copy, &x, &y));
        EXPECT_NEAR(x, 96, 0.05);
        EXPECT_NEAR(y, 96, 0.05);
    }
}

TEST_F(Codecs, NamesOutsideTheAnsiCodePageAndLongPathsWork) {
    // Greek, Cyrillic and CJK letters; and a path of more than 300 characters.
    const std::wstring unicode = folder_->file(L"\u03b1\u0436\u4e2d\u6587 scan.png");
    std::wstring deep = folder_->path();
    for (int i = 0; i < 3; ++i) {
        deep += L"\\" + std::wstring(90, wchar_t(L'a' + i));
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::wstring long_path = deep + L"\\page.png";
    ASSERT_GT(long_path.size(), 300u);
    for (const std::wstring& path : {unicode, long_path}) {
        auto control = host_with(4);
        auto original = hostkit::make_gradient_picture(20, 10);
        putref(control->dispatch(), DISPID_Twain_Picture, original.get());
        save(control->dispatch(), path);
        EXPECT_TRUE(starts_with(read_file(L"\\\\?\\" + path), kPng)) << "written under the exact name";
        load(control->dispatch(), path);
        EXPECT_EQ(pixels_of(picture(control->dispatch()).get()).rgb, pixels_of(original.get()).rgb);
    }
}

size_t thread_count() {
    size_t count = 0;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{sizeof entry};
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    ::CloseHandle(snapshot);
    return count;
}

// GetGuiResources reads 0 under Wine: leaks show as memory (every DIB
// section commits its pixels), as bitmaps still alive after their picture
// went, as files that cannot be deleted (a handle left open), as threads.
TEST_F(Codecs, TwoHundredSaveLoadCyclesLeaveNothingBehind) {
    auto control = host_with(4);
    putref(control->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(256, 192).get());
    const LONG types[] = {0, 1, 2, 3, 4};
    std::vector<HANDLE> loaded_bitmaps;
    auto cycle = [&](int i) {
        const std::wstring path = folder_->file(L"cycle");
        auto saver = host_with(types[i % 5], 80);
        putref(saver->dispatch(), DISPID_Twain_Picture, picture(control->dispatch()).get());
        save(saver->dispatch(), path);
        load(control->dispatch(), path);
        loaded_bitmaps.push_back(hostkit::picture_handle(picture(control->dispatch()).get()));
        EXPECT_TRUE(::DeleteFileW(path.c_str())) << "a handle on the file was left open (" << ::GetLastError() << ")";
    };
    for (int i = 0; i < 10; ++i) cycle(i);  // warm caches and heaps
    loaded_bitmaps.clear();
    const size_t memory_before = hostkit::committed_private_bytes(), threads_before = thread_count();
    for (int i = 0; i < 200 && !HasFailure(); ++i) cycle(i);
    putref(control->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(2, 2).get());  // the view lets go
    const size_t memory_after = hostkit::committed_private_bytes();
    int alive = 0;
    for (HANDLE h : loaded_bitmaps) alive += ::GetObjectType(h) != 0;
    EXPECT_EQ(alive, 0) << "bitmaps of released pictures";
    EXPECT_EQ(thread_count(), threads_before);
    // One leaked 256 x 192 picture per cycle would be 29 MB.
    EXPECT_LT(memory_after, memory_before + (4u << 20)) << "grew by " << (memory_after - memory_before);
}

}  // namespace
}  // namespace korvix::test
