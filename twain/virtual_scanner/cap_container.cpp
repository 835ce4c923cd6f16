#include "twain/virtual_scanner/cap_container.h"

#include <cstring>

namespace korvix::twain {

namespace {

template <typename T>
void append(std::vector<std::uint8_t>& out, const T& record) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
    out.insert(out.end(), p, p + sizeof record);
}

void append_item(std::vector<std::uint8_t>& out, TW_UINT32 value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> pack(const CapContainer& c) {
    std::vector<std::uint8_t> out;
    auto at = [&](std::size_t i) { return i < c.items.size() ? c.items[i] : 0u; };
    switch (c.con_type) {
    case TWON_RANGE:
        append(out, TW_RANGE{c.item_type, at(0), at(1), at(2), at(3), at(4)});
        break;
    case TWON_ENUMERATION:
        append(out, TW_ENUMERATION{c.item_type, static_cast<TW_UINT32>(c.items.size()), c.current_index,
                                   c.default_index});
        for (TW_UINT32 v : c.items) append_item(out, v, item_bytes(c.item_type));
        break;
    case TWON_ARRAY:
        append(out, TW_ARRAY{c.item_type, static_cast<TW_UINT32>(c.items.size())});
        for (TW_UINT32 v : c.items) append_item(out, v, item_bytes(c.item_type));
        break;
    default:
        append(out, TW_ONEVALUE{c.item_type, at(0)});
        break;
    }
    return out;
}

bool read_one_value(TW_UINT16 con_type, const std::uint8_t* bytes, std::size_t size, TW_ONEVALUE& out) noexcept {
    if (con_type != TWON_ONEVALUE || !bytes || size < sizeof out) return false;
    std::memcpy(&out, bytes, sizeof out);
    const std::size_t used = item_bytes(out.ItemType);
    if (used != 0 && used < 4) out.Item &= (1u << (8 * used)) - 1;  // only the item's own low bytes count
    return true;
}

}  // namespace korvix::twain
