// The control's type library, embedded in the module as TYPELIB 1.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace korvix {

// Loads the library from the module's own file (no registration needed) and
// keeps it for the life of the process.
HRESULT korvix_type_library(ITypeLib** out) noexcept;

// The vtable view of _Twain (TKIND_INTERFACE), what ITypeInfo::Invoke needs
// to call ITwain. Reached through the dispatch view's reference type -1.
HRESULT twain_interface_type_info(ITypeInfo** out) noexcept;

// The coclass Twain.
HRESULT twain_class_type_info(ITypeInfo** out) noexcept;

}  // namespace korvix
