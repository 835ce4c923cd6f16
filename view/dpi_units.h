// Twips <-> screen pixels: 1440 twips per inch at the screen's logical DPI,
// rounded to the nearest pixel (halves to even).
#pragma once

#include <windows.h>

namespace korvix {

struct DpiUnits {
    int dpi_x = 96;
    int dpi_y = 96;

    static DpiUnits of_screen() noexcept;
    LONG x_to_pixels(LONG twips) const noexcept;
    LONG y_to_pixels(LONG twips) const noexcept;
    LONG x_to_twips(LONG pixels) const noexcept;
    LONG y_to_twips(LONG pixels) const noexcept;
};

}  // namespace korvix
