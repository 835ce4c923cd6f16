// TWAIN capability containers as values: what a source answers to a get
// (one value, enumeration, range or array) and the bytes that go into the
// global block it hands over. Portable, so a source's capability logic is
// tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "twain/twain_types.h"

namespace korvix::twain {

struct CapContainer {
    TW_UINT16 con_type = TWON_ONEVALUE;
    TW_UINT16 item_type = TWTY_UINT16;
    // ONEVALUE: the value; ENUMERATION and ARRAY: the items; RANGE: min,
    // max, step, default, current.
    std::vector<TW_UINT32> items;
    TW_UINT32 current_index = 0;  // ENUMERATION
    TW_UINT32 default_index = 0;  // ENUMERATION

    static CapContainer one(TW_UINT16 item_type, TW_UINT32 value) { return {TWON_ONEVALUE, item_type, {value}}; }
    static CapContainer range(TW_UINT16 item_type, TW_UINT32 min, TW_UINT32 max, TW_UINT32 step, TW_UINT32 dflt,
                              TW_UINT32 current) {
        return {TWON_RANGE, item_type, {min, max, step, dflt, current}};
    }
    static CapContainer list(TW_UINT16 item_type, std::vector<TW_UINT32> items, TW_UINT32 current,
                             TW_UINT32 dflt) {
        return {TWON_ENUMERATION, item_type, std::move(items), current, dflt};
    }
    static CapContainer array(TW_UINT16 item_type, std::vector<TW_UINT32> items) {
        return {TWON_ARRAY, item_type, std::move(items)};
    }
};

// The container as the TWAIN records lay it out.
std::vector<std::uint8_t> pack(const CapContainer& c);

// The one value of a set request, if the block holds one (size checked).
bool read_one_value(TW_UINT16 con_type, const std::uint8_t* bytes, std::size_t size, TW_ONEVALUE& out) noexcept;

}  // namespace korvix::twain
