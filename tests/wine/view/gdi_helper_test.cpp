#include "codecs/gdi_helper.h"

#include <gtest/gtest.h>

#include "view_test_support.h"

namespace korvix {
namespace {

using testing::make_bitmap;
using testing::VariantHandlePicture;

TEST(GdiHelper, MeasuresNothingBeforeAPictureIsSet) {
    GdiHelper gdi;
    EXPECT_EQ(gdi.bitmap_handle(), 0);
    EXPECT_EQ(gdi.get_width(), 0);
    EXPECT_EQ(gdi.get_height(), 0);
}

TEST(GdiHelper, MeasuresABitmapWithoutTakingIt) {
    unique_hbitmap bitmap(make_bitmap(37, 11));
    ASSERT_TRUE(bitmap);
    {
        GdiHelper gdi;
        gdi.set_bitmap_handle(static_cast<LONG>(reinterpret_cast<LONG_PTR>(bitmap.get())));
        EXPECT_EQ(gdi.get_width(), 37);
        EXPECT_EQ(gdi.get_height(), 11);
    }
    EXPECT_EQ(::GetObjectType(bitmap.get()), static_cast<DWORD>(OBJ_BITMAP));  // still ours
}

TEST(GdiHelper, HandlesThatAreNoBitmapMeasureZero) {
    unique_hbrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
    GdiHelper gdi;
    gdi.set_bitmap_handle(static_cast<LONG>(reinterpret_cast<LONG_PTR>(brush.get())));
    EXPECT_EQ(gdi.get_width(), 0);
    EXPECT_EQ(gdi.get_height(), 0);
    gdi.set_bitmap_handle(0x12345678);
    EXPECT_EQ(gdi.get_width(), 0);
    EXPECT_EQ(gdi.get_height(), 0);
}

TEST(GdiHelper, ReadsAPicturesHandleAndNothingClearsIt) {
    HBITMAP raw = nullptr;
    com_ptr<IPictureDisp> picture = testing::make_picture(64, 48, RGB(0, 0, 255), &raw);
    ASSERT_TRUE(picture);
    GdiHelper gdi;
    gdi.set_picture(picture.get());
    EXPECT_EQ(gdi.bitmap_handle(), static_cast<LONG>(reinterpret_cast<LONG_PTR>(raw)));
    EXPECT_EQ(gdi.get_width(), 64);
    EXPECT_EQ(gdi.get_height(), 48);
    gdi.set_picture(nullptr);
    EXPECT_EQ(gdi.bitmap_handle(), 0);
    EXPECT_EQ(gdi.get_width(), 0);
}

TEST(GdiHelper, ReadsTheDefaultPropertyAndConvertsItToLong) {
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"4660");
    VariantHandlePicture picture(text);
    ::VariantClear(&text);
    GdiHelper gdi;
    gdi.set_picture(&picture);
    EXPECT_EQ(gdi.bitmap_handle(), 4660);
    EXPECT_EQ(picture.invokes, 1);
    EXPECT_EQ(picture.last_id, DISPID_VALUE);
    EXPECT_EQ(picture.last_flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(picture.last_arg_count, 0u);
}

TEST(GdiHelper, UnconvertibleHandleFailsWithTheConversionErrorAndKeepsTheOldOne) {
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"not a number");
    VariantHandlePicture picture(text);
    ::VariantClear(&text);
    GdiHelper gdi;
    gdi.set_bitmap_handle(77);
    try {
        gdi.set_picture(&picture);
        FAIL() << "no error";
    } catch (const hresult_error& e) {
        EXPECT_EQ(e.code(), DISP_E_TYPEMISMATCH);
    }
    EXPECT_EQ(gdi.bitmap_handle(), 77);

    VARIANT none;
    ::VariantInit(&none);
    VariantHandlePicture failing(none, E_ACCESSDENIED);
    try {
        gdi.set_picture(&failing);
        FAIL() << "no error";
    } catch (const hresult_error& e) {
        EXPECT_EQ(e.code(), E_ACCESSDENIED);
    }
}

TEST(GdiHelper, BitmapToPictureHandsTheBitmapToThePicture) {
    HBITMAP bitmap = make_bitmap(5, 6);
    com_ptr<IPictureDisp> picture = GdiHelper::bitmap_to_picture(bitmap);
    ASSERT_TRUE(picture);
    com_ptr<IPicture> pic = picture.query<IPicture>(IID_IPicture);
    ASSERT_TRUE(pic);
    OLE_HANDLE handle = 0;
    SHORT type = 0;
    pic->get_Handle(&handle);
    pic->get_Type(&type);
    EXPECT_EQ(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), bitmap);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    pic.reset();
    picture.reset();
    EXPECT_EQ(::GetObjectType(bitmap), 0u);  // the picture owned and deleted it
}

}  // namespace
}  // namespace korvix
