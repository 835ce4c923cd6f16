// Scan and SelectSource: the control's way to the scanner.
#include "control/object/twain_control.h"

namespace korvix {

HRESULT TwainControl::Scan() noexcept { return not_available(L"Scan"); }
HRESULT TwainControl::SelectSource() noexcept { return not_available(L"SelectSource"); }

}  // namespace korvix
