// The module's reference count: live objects, live class factories and
// server locks. DllCanUnloadNow answers S_OK only when it is zero.
#include <windows.h>

#include "control/twain_factory.h"

namespace {
volatile LONG g_module_refs = 0;
}

namespace korvix {

void module_add_ref() noexcept { ::InterlockedIncrement(&g_module_refs); }

void module_release() noexcept { ::InterlockedDecrement(&g_module_refs); }

LONG module_ref_count() noexcept { return ::InterlockedCompareExchange(&g_module_refs, 0, 0); }

}  // namespace korvix
