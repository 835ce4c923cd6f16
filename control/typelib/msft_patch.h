// One correction to a type library file (MSFT format) after it is saved.
// Portable: works on the file's bytes only.
//
// Wine's ICreateTypeInfo saves a dispinterface with IDispatch as an explicit
// base and a vtable size of IDispatch's seven slots plus its own functions;
// reading it back, the seven IDispatch methods are listed before the events.
// IDL compilers save a dispinterface with an implied IDispatch (base
// reference -1) and its own functions only (a pointer's size each: 4 bytes
// in a Win32 library, 8 in a Win64 one). This rewrites those two fields the
// way IDL compilers write them.
#pragma once

#include <cstdint>
#include <vector>

namespace korvix::typelib {

enum class patch_result {
    patched,            // both fields now have the compiler form
    already_normal,     // nothing to do
    not_msft,           // not a type library file, or truncated
    bad_index,          // no type description at that index
    not_dispinterface,  // the type description is of another kind
    unexpected_layout   // fields hold values of neither form: left alone
};

patch_result normalize_dispinterface(std::vector<std::uint8_t>& file, unsigned index);

}  // namespace korvix::typelib
