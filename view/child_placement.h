// Placing the surface's inner members: Move and the read-back of their
// position, both in twips, and the error a refused value gives.
#pragma once

#include <windows.h>

#include "view/control_view.h"
#include "view/dpi_units.h"

namespace korvix {

// Error 380, as the platform's own controls report a refused property value.
[[noreturn]] void throw_invalid_property_value();

// Moves child within its parent; a negative size is refused like the
// platform's controls refuse it.
void move_child_twips(HWND child, const DpiUnits& units, LONG left, LONG top, LONG width, LONG height);

// The child's rectangle relative to its parent, in twips; empty without a window.
MemberRect child_rect_twips(HWND child, const DpiUnits& units) noexcept;

}  // namespace korvix
