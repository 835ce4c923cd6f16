// Seam between the module (class factory, registration, DLL lifetime) and the
// control object.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace korvix {

// Creates a new Twain control and returns the requested interface.
// Aggregation is not supported (the factory refuses a non-null outer).
HRESULT create_twain_control(REFIID iid, void** out) noexcept;

// Module lifetime: every live object and every IClassFactory::LockServer(TRUE)
// holds the module; DllCanUnloadNow answers S_OK only at zero.
void module_add_ref() noexcept;
void module_release() noexcept;
LONG module_ref_count() noexcept;

// The module's instance handle (set by DllMain).
HINSTANCE module_instance() noexcept;

}  // namespace korvix
