// Save, Load, ShowSave, ShowLoad and About: files and the About box.
#include "control/object/twain_control.h"

namespace korvix {

HRESULT TwainControl::About() noexcept { return not_available(L"About"); }
HRESULT TwainControl::Save() noexcept { return not_available(L"Save"); }
HRESULT TwainControl::Load() noexcept { return not_available(L"Load"); }

// No file dialog exists yet: the arguments are accepted (any may be null)
// and left unchanged.
HRESULT TwainControl::ShowSave(BSTR*, BSTR*, BSTR*) noexcept { return S_OK; }
HRESULT TwainControl::ShowLoad(BSTR*, BSTR*, BSTR*) noexcept { return S_OK; }

}  // namespace korvix
