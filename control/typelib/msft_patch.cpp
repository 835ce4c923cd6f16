#include "control/typelib/msft_patch.h"

namespace korvix::typelib {

namespace {

// Header fields.
constexpr std::size_t kHeaderSize = 0x54;
constexpr std::size_t kVarFlagsAt = 0x14;
constexpr std::size_t kTypeCountAt = 0x20;
constexpr std::size_t kDispatchRefAt = 0x4C;   // reference of IDispatch, -1 if none
constexpr std::uint32_t kHelpDllFlag = 0x100;  // header carries one more field
constexpr std::size_t kSegmentEntrySize = 16;  // offset, length, two reserved
// Fields of one type description.
constexpr std::size_t kTypeEntrySize = 100;
constexpr std::size_t kKindAt = 0;
constexpr std::size_t kElementCountAt = 24;  // functions in the low word
constexpr std::size_t kVtableSizeAt = 78;
constexpr std::size_t kBaseRefAt = 84;
constexpr std::uint32_t kKindDispatch = 4;
constexpr std::uint32_t kNoReference = 0xFFFFFFFF;
constexpr std::uint32_t kDispatchSlots = 7;
// The library's system kind, in the low bits of the header's flags, sets the
// size of one vtable slot.
constexpr std::uint32_t kSysKindMask = 0xF;
constexpr std::uint32_t kSysWin64 = 3;

bool fits(const std::vector<std::uint8_t>& file, std::uint64_t at, std::uint64_t size) {
    return at <= file.size() && size <= file.size() - at;
}

std::uint32_t read32(const std::vector<std::uint8_t>& file, std::size_t at) {
    return std::uint32_t(file[at]) | std::uint32_t(file[at + 1]) << 8 | std::uint32_t(file[at + 2]) << 16 |
           std::uint32_t(file[at + 3]) << 24;
}

std::uint16_t read16(const std::vector<std::uint8_t>& file, std::size_t at) {
    return std::uint16_t(file[at] | file[at + 1] << 8);
}

void write32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = std::uint8_t(value >> (8 * i));
}

void write16(std::vector<std::uint8_t>& file, std::size_t at, std::uint16_t value) {
    file[at] = std::uint8_t(value & 0xFF);
    file[at + 1] = std::uint8_t(value >> 8);
}

}  // namespace

patch_result normalize_dispinterface(std::vector<std::uint8_t>& file, unsigned index) {
    if (!fits(file, 0, kHeaderSize) || file[0] != 'M' || file[1] != 'S' || file[2] != 'F' || file[3] != 'T')
        return patch_result::not_msft;
    const std::uint32_t type_count = read32(file, kTypeCountAt);
    if (index >= type_count) return patch_result::bad_index;

    std::uint64_t at = kHeaderSize;
    if (read32(file, kVarFlagsAt) & kHelpDllFlag) at += 4;
    at += std::uint64_t(type_count) * 4;  // offsets of the type descriptions
    // The first segment of the directory is the table of type descriptions.
    if (!fits(file, at, kSegmentEntrySize)) return patch_result::not_msft;
    const std::uint32_t table = read32(file, static_cast<std::size_t>(at));
    const std::uint32_t table_length = read32(file, static_cast<std::size_t>(at) + 4);
    const std::uint64_t entry_at = std::uint64_t(table) + std::uint64_t(index) * kTypeEntrySize;
    if ((std::uint64_t(index) + 1) * kTypeEntrySize > table_length || !fits(file, entry_at, kTypeEntrySize))
        return patch_result::not_msft;
    const std::size_t entry = static_cast<std::size_t>(entry_at);

    if ((read32(file, entry + kKindAt) & 0xF) != kKindDispatch) return patch_result::not_dispinterface;
    const std::uint32_t pointer_size = (read32(file, kVarFlagsAt) & kSysKindMask) == kSysWin64 ? 8 : 4;
    const std::uint32_t functions = read32(file, entry + kElementCountAt) & 0xFFFF;
    const std::uint32_t own_size = functions * pointer_size;
    const std::uint32_t with_dispatch = (kDispatchSlots + functions) * pointer_size;
    const std::uint16_t size = read16(file, entry + kVtableSizeAt);
    const std::uint32_t base = read32(file, entry + kBaseRefAt);
    const std::uint32_t dispatch_ref = read32(file, kDispatchRefAt);

    if (size == own_size && base == kNoReference) return patch_result::already_normal;
    const bool size_known = size == own_size || size == with_dispatch;
    // The explicit base must be IDispatch itself, which stays implied.
    const bool base_known = base == kNoReference || (dispatch_ref != kNoReference && base == dispatch_ref);
    if (!size_known || !base_known || own_size > 0xFFFF) return patch_result::unexpected_layout;
    write16(file, entry + kVtableSizeAt, static_cast<std::uint16_t>(own_size));
    write32(file, entry + kBaseRefAt, kNoReference);
    return patch_result::patched;
}

}  // namespace korvix::typelib
