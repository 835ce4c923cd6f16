// The dispinterface correction on tiny synthetic type library files.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "control/typelib/msft_patch.h"

namespace korvix::typelib {
namespace {

constexpr std::size_t kEntry = 100;

struct synthetic_library {
    std::vector<std::uint8_t> bytes;
    std::size_t table = 0;  // where the type descriptions start

    void put32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(v >> (8 * i));
    }
    void put16(std::size_t at, std::uint16_t v) {
        bytes[at] = std::uint8_t(v);
        bytes[at + 1] = std::uint8_t(v >> 8);
    }
    std::uint32_t get32(std::size_t at) const {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24;
    }
    std::uint16_t get16(std::size_t at) const { return std::uint16_t(bytes[at] | bytes[at + 1] << 8); }

    std::uint16_t vtable_size(unsigned index) const { return get16(table + index * kEntry + 78); }
    std::uint32_t base_ref(unsigned index) const { return get32(table + index * kEntry + 84); }

    // Three types; #2 is a dispinterface with 12 functions as Wine saves it,
    // in a Win32 library (4-byte vtable slots) or a Win64 one (8-byte slots).
    explicit synthetic_library(bool help_dll = false, bool win64 = false) {
        const std::uint16_t slot = win64 ? 8 : 4;
        const std::size_t header = 0x54 + (help_dll ? 4 : 0);
        const std::size_t directory = header + 3 * 4;
        table = directory + 15 * 16;
        bytes.assign(table + 3 * kEntry + 16, 0);
        bytes[0] = 'M', bytes[1] = 'S', bytes[2] = 'F', bytes[3] = 'T';
        put32(0x14, (help_dll ? 0x150 : 0x50) | (win64 ? 3 : 1));
        put32(0x20, 3);
        put32(0x4C, 1);  // IDispatch's reference
        put32(directory, static_cast<std::uint32_t>(table));
        put32(directory + 4, 3 * kEntry);
        put32(table + 0 * kEntry, 3);  // an interface
        put32(table + 1 * kEntry, 5);  // a class
        const std::size_t events = table + 2 * kEntry;
        put32(events, 4);
        put32(events + 24, 12);
        put16(events + 78, (7 + 12) * slot);
        put32(events + 84, 1);
    }
};

TEST(DispinterfacePatch, StoresOwnFunctionsAndAnImpliedBase) {
    synthetic_library lib;
    const std::vector<std::uint8_t> before = lib.bytes;
    ASSERT_EQ(patch_result::patched, normalize_dispinterface(lib.bytes, 2));
    EXPECT_EQ(48, lib.vtable_size(2));
    EXPECT_EQ(0xFFFFFFFFu, lib.base_ref(2));
    // Nothing else moved.
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] != lib.bytes[i];
    EXPECT_EQ(1u + 4u, changed);  // one byte of the size (76 -> 48), four of the reference
}

TEST(DispinterfacePatch, CountsSlotsOfTheLibrarysOwnPointerSize) {
    synthetic_library win64(false, true);
    ASSERT_EQ(patch_result::patched, normalize_dispinterface(win64.bytes, 2));
    EXPECT_EQ(12 * 8, win64.vtable_size(2));
    EXPECT_EQ(0xFFFFFFFFu, win64.base_ref(2));
    // A Win64 library whose size was counted in 4-byte slots is not one Wine wrote.
    synthetic_library mixed(false, true);
    mixed.put16(mixed.table + 2 * kEntry + 78, (7 + 12) * 4);
    EXPECT_EQ(patch_result::unexpected_layout, normalize_dispinterface(mixed.bytes, 2));
}

TEST(DispinterfacePatch, IsIdempotent) {
    synthetic_library lib;
    ASSERT_EQ(patch_result::patched, normalize_dispinterface(lib.bytes, 2));
    const std::vector<std::uint8_t> once = lib.bytes;
    EXPECT_EQ(patch_result::already_normal, normalize_dispinterface(lib.bytes, 2));
    EXPECT_EQ(once, lib.bytes);
}

TEST(DispinterfacePatch, FollowsTheHelpDllHeaderField) {
    synthetic_library lib(true);
    ASSERT_EQ(patch_result::patched, normalize_dispinterface(lib.bytes, 2));
    EXPECT_EQ(48, lib.vtable_size(2));
}

TEST(DispinterfacePatch, LeavesOtherKindsAndUnknownLayoutsAlone) {
    synthetic_library lib;
    const std::vector<std::uint8_t> before = lib.bytes;
    EXPECT_EQ(patch_result::not_dispinterface, normalize_dispinterface(lib.bytes, 0));
    EXPECT_EQ(patch_result::not_dispinterface, normalize_dispinterface(lib.bytes, 1));
    EXPECT_EQ(patch_result::bad_index, normalize_dispinterface(lib.bytes, 3));
    EXPECT_EQ(before, lib.bytes);

    synthetic_library odd_size;
    odd_size.put16(odd_size.table + 2 * kEntry + 78, 60);
    const auto odd_before = odd_size.bytes;
    EXPECT_EQ(patch_result::unexpected_layout, normalize_dispinterface(odd_size.bytes, 2));
    EXPECT_EQ(odd_before, odd_size.bytes);

    synthetic_library other_base;
    other_base.put32(other_base.table + 2 * kEntry + 84, 5);  // not IDispatch
    EXPECT_EQ(patch_result::unexpected_layout, normalize_dispinterface(other_base.bytes, 2));
}

TEST(DispinterfacePatch, RejectsWhatIsNotALibraryOrIsCutShort) {
    std::vector<std::uint8_t> empty;
    EXPECT_EQ(patch_result::not_msft, normalize_dispinterface(empty, 0));
    synthetic_library wrong_magic;
    wrong_magic.bytes[0] = 'X';
    EXPECT_EQ(patch_result::not_msft, normalize_dispinterface(wrong_magic.bytes, 2));
    synthetic_library cut;
    cut.bytes.resize(cut.table + 2 * kEntry + 50);  // ends inside the entry
    EXPECT_EQ(patch_result::not_msft, normalize_dispinterface(cut.bytes, 2));
    synthetic_library huge_count;
    huge_count.put32(0x20, 0x40000000);  // offsets table would run past the file
    EXPECT_EQ(patch_result::not_msft, normalize_dispinterface(huge_count.bytes, 2));
    synthetic_library short_table;
    short_table.put32(short_table.table - 15 * 16 + 4, 2 * kEntry);  // table claims two entries
    EXPECT_EQ(patch_result::not_msft, normalize_dispinterface(short_table.bytes, 2));
}

}  // namespace
}  // namespace korvix::typelib
