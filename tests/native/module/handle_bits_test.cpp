// Window and GDI handles through the 32-bit fields of the control's
// interface (hwnd, hDC, a picture's OLE_HANDLE): truncated on the way out,
// sign-extended on the way back, as Windows defines it for 64-bit processes.
#include <gtest/gtest.h>

#include <cstdint>

#include "common/handle_bits.h"

namespace korvix {
namespace {

TEST(HandleBits, CrossAThirtyTwoBitFieldAsWindowsDefines) {
    static_assert(sizeof(void*) == 8, "the native build checks the 64-bit rule");
    struct row {
        std::uintptr_t handle;  // as the 64-bit process holds it
        std::int32_t as_long;   // as a Long property carries it
    };
    const row rows[] = {
        {0, 0},
        {0x0001'0042u, 0x0001'0042},
        {0x7FFF'FFFFu, 0x7FFF'FFFF},
        // 64-bit Windows hands out GDI handles with bit 31 set: the upper half is all ones.
        {0xFFFF'FFFF'8004'1234u, static_cast<std::int32_t>(0x8004'1234u)},
        {0xFFFF'FFFF'FFFF'FFFFu, -1},
    };
    for (const row& r : rows) {
        const auto handle = reinterpret_cast<void*>(r.handle);
        EXPECT_EQ(r.as_long, handle_to_long(handle)) << std::hex << r.handle;
        EXPECT_EQ(handle, handle_from_long(r.as_long)) << std::hex << r.handle;
        EXPECT_EQ(handle, handle_from_ole(static_cast<std::uint32_t>(r.as_long))) << std::hex << r.handle;
    }
    // A zero-extended value is not the handle Windows gave out.
    EXPECT_NE(reinterpret_cast<void*>(std::uintptr_t{0x8004'1234u}), handle_from_ole(0x8004'1234u));
}

}  // namespace
}  // namespace korvix
