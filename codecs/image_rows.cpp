#include "codecs/image_rows.h"

#include <cmath>
#include <cstdint>

namespace korvix {

namespace {
constexpr double kMetresPerInch = 0.0254;
double or_screen(double dpi) noexcept { return std::isfinite(dpi) && dpi > 0 ? dpi : 96.0; }
}  // namespace

ImageResolution resolution_or_screen(ImageResolution dpi) noexcept { return {or_screen(dpi.x), or_screen(dpi.y)}; }

int32_t pels_per_metre(double dpi) noexcept {
    if (!(dpi > 0)) return 0;  // also not a number
    const double pels = std::round(dpi / kMetresPerInch);
    return pels >= double(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(pels);
}

double dpi_from_pels_per_metre(int32_t pels) noexcept {
    if (pels <= 0) return 0;
    const double dpi = pels * kMetresPerInch, whole = std::round(dpi);
    return std::fabs(dpi - whole) <= 0.5 * kMetresPerInch ? whole : dpi;
}

}  // namespace korvix
