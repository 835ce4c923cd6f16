// Picture set and get: the control keeps the very object it was given,
// measures it, and shows it.
#include "tests/wine/control/control_test_env.h"

#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/hostkit/view_windows.h"
#include "tests/wine/hostkit/window_capture.h"

namespace korvix::test {
namespace {

com_ptr<IUnknown> identity(IUnknown* p) {
    com_ptr<IUnknown> unknown;
    if (p) p->QueryInterface(IID_IUnknown, unknown.put_void());
    return unknown;
}

HWND picture_box_of(IDispatch* control) {
    unique_variant hwnd = ControlTest::get(control, DISPID_Twain_hwnd);
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd->lVal));
}

// What the picture box shows now, after it has painted.
hostkit::window_capture shown(HWND picture_box) {
    ::RedrawWindow(picture_box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    hostkit::pump_messages();
    return hostkit::capture_window(picture_box);
}

}  // namespace

class Picture : public ControlTest {};

TEST_F(Picture, GetReturnsTheSameObjectThatWasSet) {
    auto control = host_new();
    auto picture = hostkit::make_gradient_picture(64, 48);
    putref(control->dispatch(), DISPID_Twain_Picture, picture.get());
    unique_variant back = get(control->dispatch(), DISPID_Twain_Picture);
    ASSERT_EQ(back.vt(), VT_DISPATCH);
    EXPECT_EQ(identity(back->pdispVal).get(), identity(picture.get()).get()) << "Picture returned a copy";
    EXPECT_EQ(hostkit::picture_handle(picture.get()), [&] {
        com_ptr<IPictureDisp> p;
        back->pdispVal->QueryInterface(IID_IPictureDisp, p.put_void());
        return hostkit::picture_handle(p.get());
    }());
}

TEST_F(Picture, BitmapWidthAndHeightMeasureThePictureEachTime) {
    auto control = host_new();
    IDispatch* d = control->dispatch();
    putref(d, DISPID_Twain_Picture, hostkit::make_gradient_picture(123, 45).get());
    EXPECT_TRUE(same_value(*unique_variant::i4(123).get(), *get(d, DISPID_Twain_BitmapWidth).get()));
    EXPECT_TRUE(same_value(*unique_variant::i4(45).get(), *get(d, DISPID_Twain_BitmapHeight).get()));
    putref(d, DISPID_Twain_Picture, hostkit::make_solid_picture(7, 900, RGB(1, 2, 3)).get());
    EXPECT_TRUE(same_value(*unique_variant::i4(7).get(), *get(d, DISPID_Twain_BitmapWidth).get()));
    EXPECT_TRUE(same_value(*unique_variant::i4(900).get(), *get(d, DISPID_Twain_BitmapHeight).get()));
}

TEST_F(Picture, NothingIsStoredAndReadBackAsNothing) {
    auto control = host_new();
    IDispatch* d = control->dispatch();
    putref(d, DISPID_Twain_Picture, hostkit::make_gradient_picture(30, 20).get());
    putref(d, DISPID_Twain_Picture, nullptr);
    unique_variant back = get(d, DISPID_Twain_Picture);
    EXPECT_TRUE(back.vt() == VT_DISPATCH && back->pdispVal == nullptr) << "vt=" << back.vt();
    EXPECT_TRUE(same_value(*unique_variant::i4(0).get(), *get(d, DISPID_Twain_BitmapWidth).get()));
    EXPECT_TRUE(same_value(*unique_variant::i4(0).get(), *get(d, DISPID_Twain_BitmapHeight).get()));
}

TEST_F(Picture, ASmallPictureIsShownAtTheTopLeftOnTheBackColour) {
    auto control = host_new();
    IDispatch* d = control->dispatch();
    put(d, DISPID_Twain_BackColor, unique_variant::i4(RGB(0, 0, 255)));
    putref(d, DISPID_Twain_Picture, hostkit::make_solid_picture(50, 40, RGB(255, 0, 0)).get());
    HWND box = picture_box_of(d);
    ASSERT_TRUE(::IsWindow(box));
    hostkit::window_capture image = shown(box);
    ASSERT_GT(image.width, 60);
    ASSERT_GT(image.height, 50);
    EXPECT_EQ(image.at(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(image.at(49, 39), RGB(255, 0, 0));
    EXPECT_EQ(image.at(50, 10), RGB(0, 0, 255)) << "right of the picture: back colour";
    EXPECT_EQ(image.at(10, 40), RGB(0, 0, 255)) << "below the picture: back colour";
}

// Every pixel of what the picture box shows that the picture covers.
int wrong_pixels(const hostkit::window_capture& image, int width, int height, int* first_x, int* first_y) {
    int wrong = 0;
    for (int y = 0; y < height && y < image.height; ++y)
        for (int x = 0; x < width && x < image.width; ++x)
            if (image.at(x, y) != hostkit::gradient_pixel(x, y, width, height)) {
                if (wrong++ == 0) *first_x = x, *first_y = y;
            }
    return wrong;
}

TEST_F(Picture, TheGradientArrivesPixelForPixel) {
    auto control = host_new();
    IDispatch* d = control->dispatch();
    putref(d, DISPID_Twain_Picture, hostkit::make_gradient_picture(300, 200).get());
    hostkit::window_capture image = shown(picture_box_of(d));
    ASSERT_GE(image.width, 300);
    ASSERT_GE(image.height, 200);
    int x = -1, y = -1;
    EXPECT_EQ(wrong_pixels(image, 300, 200, &x, &y), 0) << "first wrong pixel at " << x << "," << y;
}

TEST_F(Picture, ALargerPictureIsClippedNotScaledWhenItCannotScroll) {
    auto control = host_new();
    IDispatch* d = control->dispatch();
    put(d, DISPID_Twain_Scrollable, unique_variant::boolean(false));
    putref(d, DISPID_Twain_Picture, hostkit::make_gradient_picture(1000, 700).get());
    hostkit::window_capture image = shown(picture_box_of(d));
    ASSERT_GT(image.width, 200);
    ASSERT_GT(image.height, 200);
    int x = -1, y = -1;
    EXPECT_EQ(wrong_pixels(image, 1000, 700, &x, &y), 0) << "first wrong pixel at " << x << "," << y;
}

}  // namespace korvix::test
