// The stored mouse icon check on arbitrary bytes. What it accepts must be
// safe to hand to the platform: the image lies inside the bytes, its sizes
// are in range, and its rows fit the image it names.
#include <cstdint>
#include <cstdlib>

#include "control/persist/stored_icon.h"

using namespace korvix::persist;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    StoredIcon icon;
    if (check_stored_icon(data, size, icon) != IconError::none || icon.empty) return 0;
    const bool inside = icon.offset >= kPictureClassIdSize + 8 && icon.offset <= size && icon.size <= size - icon.offset;
    const bool sized = icon.width >= 1 && icon.width <= kMaxIconSide && icon.height >= 1 && icon.height <= kMaxIconSide;
    if (!inside || !sized) std::abort();
    // The mask rows alone must fit behind the 40-byte header.
    const std::size_t mask = ((static_cast<std::size_t>(icon.width) + 31) / 32) * 4 * icon.height;
    if (40 + mask > icon.size) std::abort();
    return 0;
}
