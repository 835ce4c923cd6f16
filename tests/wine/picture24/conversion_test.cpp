// Bitmaps and OLE pictures into the 24-bit picture and back, through the
// real GDI and OLE of the platform, checking every pixel.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "picture24/win/dib_header.h"
#include "picture24/win/key_region.h"
#include "picture24/win/picture_conversion.h"
#include "tests/wine/picture24/test_pictures.h"

namespace korvix {
namespace {

using test::Bgr;

Bgr pixel_of(const Picture24& p, int x, int y) {
    const uint8_t* q = p.row(y) + size_t(x) * 3;
    return Bgr{q[0], q[1], q[2]};
}

// Checks every pixel of the picture against the source pattern.
void expect_pattern(const Picture24& picture, int width, int height, int bpp) {
    ASSERT_EQ(picture.width(), width);
    ASSERT_EQ(picture.height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(pixel_of(picture, x, y), test::pattern_colour(bpp, x, y)) << "pixel " << x << "," << y;
}

// Padding bytes carry nothing, and must be zero so that buffers compare.
void expect_zero_padding(const Picture24& picture) {
    for (int y = 0; y < picture.height(); ++y)
        for (size_t b = size_t(picture.width()) * 3; b < picture.stride(); ++b)
            ASSERT_EQ(picture.row(y)[b], 0) << "row " << y << " byte " << b;
}

struct DepthCase {
    int bpp;
    bool top_down;
};

class LoadDibSection : public ::testing::TestWithParam<DepthCase> {};

TEST_P(LoadDibSection, EveryPixelArrivesWithRowZeroAtTheTop) {
    const DepthCase c = GetParam();
    // 5 x 3: odd width so that source rows and our rows both carry padding.
    for (const auto& size : {std::pair{5, 3}, std::pair{1, 1}, std::pair{17, 4}}) {
        SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second));
        unique_hbitmap dib = test::make_pattern_dib(size.first, size.second, c.bpp, c.top_down);
        com_ptr<IPictureDisp> source = test::wrap_bitmap(dib.get(), false);
        Picture24 picture;
        ASSERT_TRUE(set_picture(picture, source.get()));
        expect_pattern(picture, size.first, size.second, c.bpp);
        expect_zero_padding(picture);
    }
}

std::string depth_name(const ::testing::TestParamInfo<DepthCase>& info) {
    return std::to_string(info.param.bpp) + "bpp" + (info.param.top_down ? "TopDown" : "BottomUp");
}

INSTANTIATE_TEST_SUITE_P(Depths, LoadDibSection,
                         ::testing::Values(DepthCase{1, false}, DepthCase{1, true}, DepthCase{4, false},
                                           DepthCase{4, true}, DepthCase{8, false}, DepthCase{8, true},
                                           DepthCase{16, false}, DepthCase{24, false}, DepthCase{24, true},
                                           DepthCase{32, false}, DepthCase{32, true}),
                         depth_name);

TEST(SetPicture, ReadsDeviceDependentBitmaps) {
    {
        unique_hbitmap ddb = test::make_pattern_ddb(7, 5);
        com_ptr<IPictureDisp> source = test::wrap_bitmap(ddb.get(), false);
        Picture24 picture;
        ASSERT_TRUE(set_picture(picture, source.get()));
        expect_pattern(picture, 7, 5, 24);
    }
    {
        unique_hbitmap mono = test::make_checker_mono_ddb(9, 3);
        com_ptr<IPictureDisp> source = test::wrap_bitmap(mono.get(), false);
        Picture24 picture;
        ASSERT_TRUE(set_picture(picture, source.get()));
        ASSERT_EQ(picture.width(), 9);
        ASSERT_EQ(picture.height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x) {
                const uint8_t v = (x + y) % 2 == 0 ? 255 : 0;
                ASSERT_EQ(pixel_of(picture, x, y), (Bgr{v, v, v})) << x << "," << y;
            }
    }
}

TEST(SetPicture, AcceptsIPictureAndPlainAutomationReferences) {
    unique_hbitmap dib = test::make_pattern_dib(4, 2, 24, false);
    com_ptr<IPictureDisp> disp = test::wrap_bitmap(dib.get(), false);
    com_ptr<IPicture> pic = disp.query<IPicture>(IID_IPicture);
    ASSERT_TRUE(pic);
    Picture24 picture;
    ASSERT_TRUE(set_picture(picture, pic.get()));
    expect_pattern(picture, 4, 2, 24);

    // Only IDispatch: the handle comes from the default property.
    struct DispatchOnly : IDispatch {
        IDispatch* inner;
        ULONG refs = 1;
        explicit DispatchOnly(IDispatch* d) : inner(d) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            *out = nullptr;
            if (iid == IID_IUnknown || iid == IID_IDispatch) {
                *out = static_cast<IDispatch*>(this);
                AddRef();
                return S_OK;
            }
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
        ULONG STDMETHODCALLTYPE Release() override { return --refs; }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                         VARIANT* result, EXCEPINFO* ex, UINT* arg) override {
            return inner->Invoke(id, iid, lcid, flags, params, result, ex, arg);
        }
    } only(disp.get());
    Picture24 second;
    ASSERT_TRUE(set_picture(second, &only));
    expect_pattern(second, 4, 2, 24);
    EXPECT_EQ(only.refs, 1u) << "every reference taken is given back";
}

TEST(SetPicture, LeavesTheCallersPictureAndBitmapUntouched) {
    unique_hbitmap dib = test::make_pattern_dib(6, 4, 8, false);
    const test::Pixels24 before = test::read_bitmap24(dib.get());
    com_ptr<IPictureDisp> source = test::wrap_bitmap(dib.get(), false);
    source->AddRef();
    const ULONG refs_before = source->Release();
    Picture24 picture;
    ASSERT_TRUE(set_picture(picture, source.get()));
    picture.clear();
    source->AddRef();
    EXPECT_EQ(source->Release(), refs_before);
    EXPECT_EQ(test::picture_handle(source.get()), dib.get());
    ASSERT_EQ(::GetObjectType(dib.get()), DWORD(OBJ_BITMAP));
    const test::Pixels24 after = test::read_bitmap24(dib.get());
    EXPECT_TRUE(after.pixels == before.pixels);
}

TEST(SetPicture, ReadsAPictureThatIsSelectedIntoADeviceContext) {
    unique_hbitmap dib = test::make_pattern_dib(5, 3, 4, false);
    com_ptr<IPictureDisp> source = test::wrap_bitmap(dib.get(), false);
    com_ptr<IPicture> pic = source.query<IPicture>(IID_IPicture);
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    HDC previous_dc = nullptr;
    OLE_HANDLE previous_bitmap = 0;
    ASSERT_EQ(pic->SelectPicture(dc.get(), &previous_dc, &previous_bitmap), S_OK);
    HDC current = nullptr;
    ASSERT_EQ(pic->get_CurDC(&current), S_OK);
    ASSERT_EQ(current, dc.get());
    Picture24 picture;
    ASSERT_TRUE(set_picture(picture, source.get()));
    expect_pattern(picture, 5, 3, 4);
    // Still selected where the caller put it.
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), static_cast<HGDIOBJ>(dib.get()));
    HDC ignored_dc = nullptr;
    OLE_HANDLE ignored_bitmap = 0;
    pic->SelectPicture(previous_dc, &ignored_dc, &ignored_bitmap);
    ::SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(previous_bitmap)));
}

TEST(SetPicture, NothingEmptyPicturesAndIconsLeaveTheInstanceEmpty) {
    unique_hbitmap dib = test::make_pattern_dib(3, 2, 24, true);
    com_ptr<IPictureDisp> loaded = test::wrap_bitmap(dib.get(), false);
    com_ptr<IPictureDisp> empty = test::make_empty_picture();
    com_ptr<IPictureDisp> icon = test::make_icon_picture();
    ASSERT_EQ(test::picture_handle(empty.get()), nullptr);
    for (IUnknown* unusable : {static_cast<IUnknown*>(nullptr), static_cast<IUnknown*>(empty.get()),
                               static_cast<IUnknown*>(icon.get())}) {
        Picture24 picture;
        ASSERT_TRUE(set_picture(picture, loaded.get()));
        create_region(picture, 0);
        HRGN held = held_region(picture);
        ASSERT_NE(held, nullptr);
        EXPECT_FALSE(set_picture(picture, unusable));
        EXPECT_TRUE(picture.empty());
        EXPECT_EQ(picture.height(), 0);
        EXPECT_EQ(picture.data(), nullptr);
        EXPECT_FALSE(picture.has_region());
        EXPECT_EQ(::GetObjectType(held), 0u) << "the old region is deleted";
    }
    // The icon picture still holds its icon.
    com_ptr<IPicture> pic = icon.query<IPicture>(IID_IPicture);
    SHORT type = 0;
    pic->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_ICON);
}

TEST(SetPicture, AHandleThatIsNoBitmapLeavesTheInstanceEmpty) {
    Picture24 picture;
    picture.create(2, 2, 0x123456);
    unique_hbrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
    EXPECT_FALSE(load_bitmap(picture, reinterpret_cast<HBITMAP>(brush.get())));
    EXPECT_TRUE(picture.empty());
    EXPECT_FALSE(load_bitmap(picture, nullptr));
}

TEST(SetPicture, ABitmapTooLargeForThePictureIsAnErrorAndLeavesItEmpty) {
    // 27000 x 27000 needs 2.19e9 bytes at 24 bits, beyond what the picture
    // holds; as a monochrome bitmap it is only 91 MB (zero pages, untouched).
    unique_hbitmap huge(::CreateBitmap(27000, 27000, 1, 1, nullptr));
    if (!huge) GTEST_SKIP() << "the platform cannot make the large source bitmap";
    com_ptr<IPictureDisp> source = test::wrap_bitmap(huge.get(), false);
    Picture24 picture;
    picture.create(2, 2, 0x010203);
    try {
        set_picture(picture, source.get());
        FAIL() << "no error";
    } catch (const picture24_error& e) {
        EXPECT_EQ(e.code(), picture24_errc::too_large);
    }
    EXPECT_TRUE(picture.empty());
    EXPECT_EQ(::GetObjectType(huge.get()), DWORD(OBJ_BITMAP));
}

TEST(GetPicture, GivesATopDown24BitSectionWithTheSamePixels) {
    unique_hbitmap dib = test::make_pattern_dib(5, 3, 32, false);
    com_ptr<IPictureDisp> source = test::wrap_bitmap(dib.get(), false);
    Picture24 picture;
    ASSERT_TRUE(set_picture(picture, source.get()));
    com_ptr<IPictureDisp> out = get_picture(picture);
    ASSERT_TRUE(out);
    HBITMAP made = test::picture_handle(out.get());
    ASSERT_NE(made, nullptr);
    ASSERT_NE(made, dib.get());
    DIBSECTION section{};
    ASSERT_EQ(::GetObjectW(made, sizeof(section), &section), int(sizeof(section)));
    EXPECT_EQ(section.dsBm.bmWidth, 5);
    EXPECT_EQ(section.dsBm.bmHeight, 3);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(section.dsBmih.biBitCount, 24);
    EXPECT_EQ(section.dsBmih.biCompression, DWORD(BI_RGB));
    ASSERT_NE(section.dsBm.bmBits, nullptr);
    // The section's memory holds our rows in our order: top row first.
    // (Wine reports a positive biHeight here, so the memory is what counts.)
    const auto* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(std::memcmp(bits + picture.stride() * size_t(y), picture.row(y), 15), 0) << "row " << y;
    // Read back through a second conversion: identical buffer.
    Picture24 again;
    ASSERT_TRUE(set_picture(again, out.get()));
    EXPECT_TRUE(again.compare(picture));
}

TEST(GetPicture, EmptyGivesNothingAndTwoCallsAreIndependent) {
    Picture24 empty;
    EXPECT_FALSE(get_picture(empty));

    Picture24 picture;
    ASSERT_TRUE(picture.create(4, 3, 0x00ff0000));
    picture.set_pixel(1, 2, 0x00010203);
    const std::vector<uint8_t> before = picture.bits();
    com_ptr<IPictureDisp> first = get_picture(picture);
    com_ptr<IPictureDisp> second = get_picture(picture);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    ASSERT_NE(first.get(), second.get());
    HBITMAP first_bitmap = test::picture_handle(first.get());
    HBITMAP second_bitmap = test::picture_handle(second.get());
    ASSERT_NE(first_bitmap, second_bitmap);

    first.reset();
    EXPECT_EQ(::GetObjectType(first_bitmap), 0u) << "the picture owned its bitmap";
    ASSERT_EQ(::GetObjectType(second_bitmap), DWORD(OBJ_BITMAP));
    const test::Pixels24 read = test::read_bitmap24(second_bitmap);
    ASSERT_EQ(read.width, 4);
    EXPECT_EQ(read.at(1, 2), (Bgr{3, 2, 1}));
    EXPECT_EQ(read.at(0, 0), (Bgr{0, 0, 255}));
    EXPECT_TRUE(picture.bits() == before);
}

TEST(BitmapToPicture, TheNewPictureOwnsTheBitmap) {
    unique_hbitmap dib = test::make_pattern_dib(2, 2, 24, false);
    HBITMAP raw = dib.get();
    com_ptr<IPictureDisp> picture = bitmap_to_picture(std::move(dib));
    ASSERT_TRUE(picture);
    EXPECT_FALSE(dib);
    EXPECT_EQ(test::picture_handle(picture.get()), raw);
    com_ptr<IPicture> pic = picture.query<IPicture>(IID_IPicture);
    SHORT type = 0;
    pic->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    pic.reset();
    picture.reset();
    EXPECT_EQ(::GetObjectType(raw), 0u);
    EXPECT_FALSE(bitmap_to_picture(unique_hbitmap()));
}

TEST(DibHeader, DescribesTopDownPaddedRows) {
    const BITMAPINFO info = dib_header24(5, 7);
    EXPECT_EQ(info.bmiHeader.biSize, 40u);
    EXPECT_EQ(info.bmiHeader.biWidth, 5);
    EXPECT_EQ(info.bmiHeader.biHeight, -7);
    EXPECT_EQ(info.bmiHeader.biPlanes, 1);
    EXPECT_EQ(info.bmiHeader.biBitCount, 24);
    EXPECT_EQ(info.bmiHeader.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(info.bmiHeader.biSizeImage, 16u * 7u);
    EXPECT_THROW(dib_header24(0, 1), picture24_error);
    EXPECT_THROW(dib_header24(0x7fffffff, 0x7fffffff), picture24_error);
}

}  // namespace
}  // namespace korvix
