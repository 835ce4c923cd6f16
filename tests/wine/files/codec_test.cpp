// Save and Load through the control: each file type's real format, pixels and
// resolution, under a name outside the ANSI code page in a path longer than
// 260 characters; the format a name's extension chooses when FileType is 0;
// a file's resolution going with its picture from control to control and
// format to format; the GDI+ calls, and nothing left open or allocated, over
// many rounds.
#include "tests/wine/files/files_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwctype>

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {
namespace {

class Codecs : public FilesTest {};

TEST_F(Codecs, EachFileTypeWritesItsFormatAndLoadsBack) {
    struct Case {
        LONG file_type;
        std::vector<uint8_t> magic;
        int width, height;      // of the gradient picture saved
        double max_difference;  // mean per channel; 0: every pixel exact
    };
    // 16 x 16 gradient pixels are 256 colours, which the GIF keeps; 301 x 257
    // has thousands and gets a median-cut palette. 301 x 257 makes four TIFF
    // strips, the last one partial.
    const std::vector<uint8_t> bmp{'B', 'M'}, gif{'G', 'I', 'F', '8'};
    const Case cases[] = {
        {0, bmp, 301, 257, 0}, {1, {0xFF, 0xD8, 0xFF}, 301, 257, 3},  {2, gif, 16, 16, 0}, {2, gif, 301, 257, 4},
        {3, {'I', 'I', 42, 0}, 301, 257, 0}, {4, {0x89, 'P', 'N', 'G', 13, 10, 26, 10}, 301, 257, 0},
        {7, bmp, 33, 17, 0},
    };
    // Greek, Cyrillic and CJK letters in a path of over 300 characters; an unknown extension decides nothing.
    std::wstring folder = folder_;
    for (wchar_t letter : {L'a', L'b', L'c'}) {
        folder += L"\\" + std::wstring(90, letter);
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    }
    const std::wstring name = L"\u03b1\u0436\u4e2d\u6587 scan.any", path = folder + L"\\" + name;
    for (const Case& c : cases) {
        SCOPED_TRACE("file type " + std::to_string(c.file_type) + ", width " + std::to_string(c.width));
        auto saver = host_with(c.file_type, 95);
        auto original = hostkit::make_gradient_picture(c.width, c.height);
        putref(saver->dispatch(), DISPID_Twain_Picture, original.get());
        save(saver->dispatch(), path);
        std::vector<uint8_t> head = read_file(path);
        head.resize(c.magic.size());
        EXPECT_EQ(head, c.magic);
        EXPECT_EQ(folder_entries(folder), std::vector<std::wstring>{name}) << "only the file itself";
        double x = 96, y = 96;  // a picture the host set has the screen's 96 dpi; GIF records none
        EXPECT_TRUE((c.file_type == 2 || file_resolution(path, &x, &y)) && std::abs(x - 96) + std::abs(y - 96) < 0.1);

        auto loader = host_new();
        load(loader->dispatch(), path);
        const double difference = picture_difference(original.get(), picture(loader->dispatch()).get());
        EXPECT_GE(difference, 0) << "the loaded picture has another size";
        EXPECT_LE(difference, c.max_difference);
    }
}

// A new control (no stored settings, as a script makes it) saves what the
// name says. A JPEG chosen that way with Quality never set gets the encoder's
// default quality instead of the lowest; a stored Quality still goes in.
TEST_F(Codecs, WithFileTypeZeroTheExtensionChoosesTheFormatInEitherCase) {
    const std::vector<uint8_t> png{0x89, 'P', 'N', 'G'}, jpeg{0xFF, 0xD8, 0xFF}, gif{'G', 'I', 'F', '8'},
        tiff{'I', 'I', 42, 0}, bmp{'B', 'M'};
    const struct {
        LONG file_type;  // and Quality, from stored settings (none when both are 0)
        SHORT quality;
        std::wstring extension;
        std::vector<uint8_t> magic;
        long long quality_sent;  // -1: no parameter block
    } cases[] = {
        {0, 0, L".png", png, -1},  {0, 0, L".jpg", jpeg, -1}, {0, 0, L".jpeg", jpeg, -1}, {0, 0, L".jpe", jpeg, -1},
        {0, 0, L".jfif", jpeg, -1}, {0, 0, L".gif", gif, -1},  {0, 0, L".tif", tiff, -1},   {0, 0, L".tiff", tiff, -1},
        {0, 0, L".bmp", bmp, -1},  {0, 0, L".dib", bmp, -1},  {0, 0, L".txt", bmp, -1},   {0, 0, L"", bmp, -1},
        {0, 80, L".jpg", jpeg, 80},
        {3, 0, L".png", tiff, -1}, {1, 0, L".gif", jpeg, 0},  // a stored file type wins over the name
    };
    gdiplus_recorder gdiplus;
    ASSERT_TRUE(gdiplus.active());
    const com_ptr<IPictureDisp> gradient = hostkit::make_gradient_picture(24, 16);
    for (const auto& c : cases)
        for (const bool upper : {false, true}) {
            std::wstring name = L"page" + c.extension;
            if (upper) std::transform(name.begin(), name.end(), name.begin(), ::towupper);
            SCOPED_TRACE(narrow(name) + ", FileType " + std::to_string(c.file_type));
            auto control = c.file_type || c.quality ? host_with(c.file_type, c.quality) : host_new();
            putref(control->dispatch(), DISPID_Twain_Picture, gradient.get());
            gdiplus.quality = -1;
            save(control->dispatch(), file(name));
            std::vector<uint8_t> head = read_file(file(name));
            head.resize(c.magic.size());
            EXPECT_EQ(head, c.magic);
            EXPECT_EQ(gdiplus.quality, c.quality_sent);
            EXPECT_EQ(get(control->dispatch(), DISPID_Twain_FileType)->lVal, c.file_type) << "FileType reads as before";
            ::DeleteFileW(file(name).c_str());
        }
}

// The resolution is the picture's own: each link loads the previous file into
// one control, hands its Picture to another (Twain2.Picture = Twain1.Picture)
// and saves from there, so every format is both read and written.
TEST_F(Codecs, APictureKeepsItsFileResolutionFromControlToControl) {
    const BITMAPFILEHEADER head{0x4D42, 54 + 16, 0, 0, 54};
    const BITMAPINFOHEADER info{40, 2, 2, 1, 24, BI_RGB, 16, 11811, 5906};  // pixels per metre: 300 x 150 dpi
    std::vector<uint8_t> bmp(54 + 16, 0x5A);
    std::memcpy(bmp.data(), &head, 14);
    std::memcpy(bmp.data() + 14, &info, 40);
    ASSERT_TRUE(write_file(file(L"source.bmp"), bmp));
    std::wstring previous = file(L"source.bmp");
    for (const wchar_t* name : {L"moved.png", L"moved.jpg", L"moved.tif", L"moved.bmp", L"again.png"}) {
        SCOPED_TRACE(narrow(name));
        auto first = host_new(), second = host_new();
        load(first->dispatch(), previous);
        putref(second->dispatch(), DISPID_Twain_Picture, picture(first->dispatch()).get());
        first.reset();
        save(second->dispatch(), file(name));
        double x = 0, y = 0;
        ASSERT_TRUE(file_resolution(file(name), &x, &y));
        EXPECT_NEAR(x, 300, 0.02);  // metric formats keep whole pixels per metre: 150 dpi reads 150.0124
        EXPECT_NEAR(y, 150, 0.02);
        previous = file(name);
    }
}

// Every save starts and shuts down GDI+ of its own; only JPEG gets a parameter
// block, holding the low byte of Quality (Wine's encoder ignores it, so it is
// checked on its way in). GetGuiResources reads 0 under Wine: leaks show as
// memory (every DIB section commits its pixels), as bitmaps still alive after
// their picture went, and as files that cannot be deleted (a handle left open).
TEST_F(Codecs, TwoHundredSaveLoadCyclesLeaveNothingBehind) {
    gdiplus_recorder gdiplus;
    ASSERT_TRUE(gdiplus.active());
    auto control = host_with(4);
    putref(control->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(256, 192).get());
    std::vector<HANDLE> loaded_bitmaps;
    auto cycle = [&](int i) {
        const SHORT quality = SHORT(0x100 + i * 37);
        auto saver = host_with(i % 5, quality);
        putref(saver->dispatch(), DISPID_Twain_Picture, picture(control->dispatch()).get());
        gdiplus.quality = -1;
        save(saver->dispatch(), file(L"cycle"));
        EXPECT_EQ(gdiplus.running, 0) << "GDI+ still started after cycle " << i;
        EXPECT_EQ(gdiplus.quality, i % 5 == 1 ? quality & 0xFF : -1) << "a parameter block for JPEG only";
        load(control->dispatch(), file(L"cycle"));
        loaded_bitmaps.push_back(hostkit::picture_handle(picture(control->dispatch()).get()));
        EXPECT_TRUE(::DeleteFileW(file(L"cycle").c_str())) << "a handle on the file was left open";
    };
    for (int i = 0; i < 10; ++i) cycle(i);  // warm caches and heaps
    loaded_bitmaps.clear();
    const size_t before = hostkit::committed_private_bytes();
    for (int i = 0; i < 200 && !HasFailure(); ++i) cycle(i);
    putref(control->dispatch(), DISPID_Twain_Picture, hostkit::make_gradient_picture(2, 2).get());  // the view lets go
    const size_t after = hostkit::committed_private_bytes();
    const auto alive = [](HANDLE bitmap) { return ::GetObjectType(bitmap) != 0; };
    EXPECT_EQ(std::count_if(loaded_bitmaps.begin(), loaded_bitmaps.end(), alive), 0) << "bitmaps of released pictures";
    EXPECT_LT(after, before + (4u << 20)) << "grew by " << (after - before);  // one leaked picture a cycle: 29 MB
}

}  // namespace
}  // namespace korvix::test
