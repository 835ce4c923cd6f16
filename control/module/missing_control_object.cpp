// TEMPORARY: stands in for the control object until control/object/ provides
// korvix_control_object. Compiled only while that target does not exist, so
// the module links and reports the class as unavailable instead of failing.
#include "control/twain_factory.h"

namespace korvix {

HRESULT create_twain_control(REFIID, void** out) noexcept {
    if (out) *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace korvix
