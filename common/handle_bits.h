// Window and GDI handles are 32-bit significant, in 64-bit processes too (so
// that 32-bit and 64-bit programs can share them). Where one travels in a
// 32-bit field (the Long hwnd and hDC properties, an OLE_HANDLE, a picture's
// handle read through automation) it is truncated to its low 32 bits, and it
// comes back sign-extended, as Windows' HandleToLong and LongToHandle do:
// 64-bit Windows hands out GDI handles with bit 31 set, whose upper half is
// all ones. Portable, so the rule is checked natively on a 64-bit build.
#pragma once

#include <cstdint>

namespace korvix {

inline std::int32_t handle_to_long(const void* handle) noexcept {
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(handle));
}

template <typename Handle = void*>
Handle handle_from_long(std::int32_t value) noexcept {
    return reinterpret_cast<Handle>(static_cast<std::intptr_t>(value));
}

// An OLE_HANDLE is the same 32 bits, declared unsigned.
template <typename Handle = void*>
Handle handle_from_ole(std::uint32_t value) noexcept {
    return handle_from_long<Handle>(static_cast<std::int32_t>(value));
}

}  // namespace korvix
