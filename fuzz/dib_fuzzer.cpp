// The transferred-DIB check on arbitrary bytes, and the row conversion on
// what it accepts. Beyond "no crash": every offset of an accepted layout lies
// in the block, and the conversion writes exactly the bitmap's bytes (the
// address sanitizer guards a buffer of that size, which the block's own
// size bounds).
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "twain/dib_layout.h"
#include "twain/dib_rows.h"

using namespace korvix::twain;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DibCheck check = check_dib(size ? data : nullptr, size);
    if (!check) return 0;
    const DibLayout& l = check.layout;
    const bool inside = l.used_bytes <= size && l.pixel_offset <= l.used_bytes &&
                        l.palette_offset + std::size_t{l.palette_entries} * 4 <= l.pixel_offset &&
                        l.pixel_offset + l.row_bytes * static_cast<std::size_t>(l.height) == l.used_bytes &&
                        l.out_row_bytes * static_cast<std::size_t>(l.height) == l.out_image_bytes;
    if (!inside || l.width <= 0 || l.height <= 0) std::abort();
    std::vector<std::uint8_t> out;
    try {
        out.resize(l.out_image_bytes);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    copy_dib_rows(data + l.pixel_offset, l, out.data());
    return 0;
}
