#include "view/dpi_units.h"

#include "view/round_half_even.h"

namespace korvix {
namespace {
constexpr double kTwipsPerInch = 1440.0;
}

DpiUnits DpiUnits::of_screen() noexcept {
    DpiUnits units;
    if (HDC screen = ::GetDC(nullptr)) {
        const int x = ::GetDeviceCaps(screen, LOGPIXELSX);
        const int y = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        if (x > 0) units.dpi_x = x;
        if (y > 0) units.dpi_y = y;
    }
    return units;
}

LONG DpiUnits::x_to_pixels(LONG twips) const noexcept { return view::round_to_long(twips * dpi_x / kTwipsPerInch); }
LONG DpiUnits::y_to_pixels(LONG twips) const noexcept { return view::round_to_long(twips * dpi_y / kTwipsPerInch); }
LONG DpiUnits::x_to_twips(LONG pixels) const noexcept { return view::round_to_long(pixels * kTwipsPerInch / dpi_x); }
LONG DpiUnits::y_to_twips(LONG pixels) const noexcept { return view::round_to_long(pixels * kTwipsPerInch / dpi_y); }

}  // namespace korvix
