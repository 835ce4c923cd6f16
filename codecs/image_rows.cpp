#include "codecs/image_rows.h"

#include <cmath>

namespace korvix {

namespace {
double or_screen(double dpi) noexcept { return std::isfinite(dpi) && dpi > 0 ? dpi : 96.0; }
}  // namespace

ImageResolution resolution_or_screen(ImageResolution dpi) noexcept { return {or_screen(dpi.x), or_screen(dpi.y)}; }

}  // namespace korvix
