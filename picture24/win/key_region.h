// Window shapes from a colour key. The picture computes its rectangles in
// one pass; GDI receives them in one ExtCreateRegion call. The region lives
// in the picture's region slot, so every operation that replaces or clears
// the pixels deletes it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/win/unique_resource.h"
#include "picture24/picture24.h"

namespace korvix {

// A region made of banded rectangles (as Picture24::key_region_rects gives
// them). No rectangles give an empty region. Throws hresult_error when GDI
// refuses.
//
// Up to rects_per_call rectangles go to GDI in one ExtCreateRegion call. Wine
// adds the rectangles of one call one union at a time, each union copying the
// region built so far, so one call costs quadratic time in the rectangle
// count (about 80 s for 63,000 rectangles). Larger lists are therefore cut
// into slices whose regions are joined in a balanced tree of RGN_OR unions,
// which stays close to linear on Wine and on Windows alike.
constexpr size_t kRegionRectsPerCall = 32;
unique_hrgn region_from_rects(const std::vector<RegionRect>& rects,
                              size_t rects_per_call = kRegionRectsPerCall);

// Deletes the held region; for a loaded picture builds and holds a new one
// covering every pixel whose packed colour differs from `key` (a key with any
// of bits 24-31 set matches nothing). An all-key picture holds an empty region.
void create_region(Picture24& picture, std::int32_t key);

// The held region (owned by the picture), or null.
HRGN held_region(const Picture24& picture) noexcept;

// Gives the window a copy of the held region as its shape and redraws it;
// the window owns the copy. Does nothing when no region is held. Throws
// hresult_error for a handle that is not a window.
void apply_region(const Picture24& picture, HWND window);

// Makes the window rectangular again and redraws it; the held region stays.
void remove_region(HWND window);

}  // namespace korvix
