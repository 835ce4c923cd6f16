// Entry point of the module: remembers its instance handle, which the
// registration, the resources and the control's type information need.
#include <windows.h>

#include "control/twain_factory.h"

namespace {
HINSTANCE g_instance = nullptr;
}

namespace korvix {
HINSTANCE module_instance() noexcept { return g_instance; }
}  // namespace korvix

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        // Nothing here cares about threads; spare the loader the calls.
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
