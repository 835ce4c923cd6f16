#include "view/dpi_units.h"

#include <gtest/gtest.h>

namespace korvix {
namespace {

TEST(DpiUnits, ScreenReportsItsLogicalResolution) {
    const DpiUnits screen = DpiUnits::of_screen();
    EXPECT_GT(screen.dpi_x, 0);
    EXPECT_GT(screen.dpi_y, 0);
}

TEST(DpiUnits, FifteenTwipsPerPixelAtNinetySixDpi) {
    const DpiUnits units{96, 96};
    EXPECT_EQ(units.x_to_pixels(4770), 318);
    EXPECT_EQ(units.y_to_pixels(3285), 219);
    EXPECT_EQ(units.x_to_twips(316), 4740);
    EXPECT_EQ(units.y_to_twips(17), 255);
    EXPECT_EQ(units.x_to_pixels(-275), -18);  // -18.33
}

TEST(DpiUnits, OtherResolutionsRoundToTheNearestPixelHalvesToEven) {
    const DpiUnits units{120, 144};  // 12 and 10 twips per pixel
    EXPECT_EQ(units.x_to_pixels(255), 21);  // 21.25
    EXPECT_EQ(units.x_to_pixels(30), 2);    // 2.5 -> 2
    EXPECT_EQ(units.x_to_pixels(42), 4);    // 3.5 -> 4
    EXPECT_EQ(units.y_to_pixels(255), 26);  // 25.5 -> 26
    EXPECT_EQ(units.y_to_pixels(245), 24);  // 24.5 -> 24
    EXPECT_EQ(units.x_to_twips(21), 252);
    EXPECT_EQ(units.y_to_twips(21), 210);
}

}  // namespace
}  // namespace korvix
