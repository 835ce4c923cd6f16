// Self-registration of the module: the Twain class, its ProgID and the
// embedded type library.
#pragma once

#include <windows.h>

namespace korvix {

// DllRegisterServer: S_OK, SELFREG_E_CLASS or SELFREG_E_TYPELIB. A failed
// registration takes back what it wrote.
HRESULT register_server() noexcept;

// DllUnregisterServer: removes everything register_server writes; entries
// already missing are not an error.
HRESULT unregister_server() noexcept;

}  // namespace korvix
