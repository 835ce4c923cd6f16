// Reading little- and big-endian integers out of file bytes the caller has
// already bounded: the portable checks of icons, images and stored records.
#pragma once

#include <cstdint>
#include <cstring>

namespace korvix {

inline std::uint16_t le16(const std::uint8_t* p) noexcept { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t le32(const std::uint8_t* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::int32_t le32s(const std::uint8_t* p) noexcept {
    const std::uint32_t u = le32(p);
    std::int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
inline std::uint16_t be16(const std::uint8_t* p) noexcept { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
inline std::uint32_t be32(const std::uint8_t* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

}  // namespace korvix
