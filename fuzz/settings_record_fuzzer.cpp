// The settings record decoder on arbitrary bytes, with the stored mouse
// icon checked as the control checks it. Beyond "no crash": a record that
// decodes must encode again to a record that decodes to the same values.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "control/persist/settings_stream.h"
#include "control/persist/stored_icon.h"

namespace {

using namespace korvix::persist;

// Objects are the checked icon bytes themselves.
class CheckedIconCodec final : public ObjectCodec {
public:
    Outcome save(const std::shared_ptr<void>& object, std::vector<std::uint8_t>& bytes) override {
        bytes = *static_cast<const std::vector<std::uint8_t>*>(object.get());
        return Outcome::success();
    }
    Outcome load(const std::uint8_t* data, std::size_t size, std::shared_ptr<void>& object) override {
        StoredIcon icon;
        const IconError e = check_stored_icon(data, size, icon);
        if (e != IconError::none) return Outcome::failure(Key::MouseIcon, 1, describe(e));
        if (!icon.empty && (icon.offset > size || icon.size > size - icon.offset)) std::abort();
        object = std::make_shared<std::vector<std::uint8_t>>(data, data + size);
        return Outcome::success();
    }
};

bool same(const Snapshot& a, const Snapshot& b) {
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        if (a[i].kind != b[i].kind || a[i].number != b[i].number || a[i].text != b[i].text) return false;
        const auto* x = static_cast<const std::vector<std::uint8_t>*>(a[i].object.get());
        const auto* y = static_cast<const std::vector<std::uint8_t>*>(b[i].object.get());
        if ((x == nullptr) != (y == nullptr) || (x && *x != *y)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckedIconCodec codec;
    Snapshot values;
    std::size_t consumed = 0;
    if (decode_settings(data, size, codec, values, consumed) != StreamError::none) return 0;
    if (consumed > size) std::abort();

    std::vector<std::uint8_t> again;
    if (!encode_settings(values, codec, again).ok) std::abort();
    Snapshot round_trip;
    std::size_t again_consumed = 0;
    if (decode_settings(again.data(), again.size(), codec, round_trip, again_consumed) != StreamError::none ||
        again_consumed != again.size() || !same(values, round_trip))
        std::abort();
    return 0;
}
