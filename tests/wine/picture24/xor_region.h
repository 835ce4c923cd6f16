// The straightforward way to shape a window from a colour key: start from
// the full rectangle and exclusive-or every run of key pixels out of it, one
// CombineRgn per run. Kept as the oracle for the region tests and as the
// baseline of the region benchmark.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/win/unique_resource.h"

namespace korvix::test {

// rows: top-down rows of BGR pixels, stride bytes apart. key: packed colour
// (blue | green << 8 | red << 16); bits 24-31 make it match nothing.
// first_row/row_count limit the scan to a band (the region still starts as
// the full rectangle of the band rows only).
inline unique_hrgn xor_key_region(const uint8_t* rows, size_t stride, int width, int first_row, int row_count,
                                  int32_t key) {
    unique_hrgn held(::CreateRectRgn(0, first_row, width, first_row + row_count));
    if (!held) return held;
    auto remove_run = [&](int left, int y, int right) {
        unique_hrgn run(::CreateRectRgn(left, y, right, y + 1));
        ::CombineRgn(held.get(), run.get(), held.get(), RGN_XOR);
    };
    for (int y = first_row; y < first_row + row_count; ++y) {
        const uint8_t* row = rows + stride * size_t(y);
        int start = -1;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = row + size_t(x) * 3;
            const int32_t packed = int32_t(p[0]) | int32_t(p[1]) << 8 | int32_t(p[2]) << 16;
            if (packed == key) {
                if (start < 0) start = x;
                if (x == width - 1) {
                    remove_run(start, y, x + 1);
                    start = -1;
                }
            } else if (start >= 0) {
                remove_run(start, y, x);
                start = -1;
            }
        }
    }
    return held;
}

}  // namespace korvix::test
