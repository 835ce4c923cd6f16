#include "view/child_placement.h"

#include <olectl.h>

#include "common/win/unique_resource.h"

namespace korvix {

void throw_invalid_property_value() {
    throw hresult_error(CTL_E_INVALIDPROPERTYVALUE, "Invalid property value");
}

void move_child_twips(HWND child, const DpiUnits& units, LONG left, LONG top, LONG width, LONG height) {
    if (width < 0 || height < 0) throw_invalid_property_value();
    ::SetWindowPos(child, nullptr, units.x_to_pixels(left), units.y_to_pixels(top), units.x_to_pixels(width),
                   units.y_to_pixels(height), SWP_NOZORDER | SWP_NOACTIVATE);
}

MemberRect child_rect_twips(HWND child, const DpiUnits& units) noexcept {
    RECT rc{};
    if (!child) return {};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return MemberRect{units.x_to_twips(rc.left), units.y_to_twips(rc.top), units.x_to_twips(rc.right - rc.left),
                      units.y_to_twips(rc.bottom - rc.top)};
}

}  // namespace korvix
