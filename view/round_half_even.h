// Floating point to integer the way the platform's own conversions do it:
// to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
#pragma once

#include <cmath>
#include <cstdint>

namespace korvix::view {

inline double round_half_even(double x) noexcept {
    const double floor_x = std::floor(x);
    const double fraction = x - floor_x;
    if (fraction > 0.5) return floor_x + 1.0;
    if (fraction < 0.5) return floor_x;
    return std::fmod(floor_x, 2.0) == 0.0 ? floor_x : floor_x + 1.0;
}

// Rounded and saturated into a signed 32-bit range (no undefined conversion).
inline std::int32_t round_to_long(double x) noexcept {
    if (std::isnan(x)) return 0;
    const double r = round_half_even(x);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(r);
}

}  // namespace korvix::view
