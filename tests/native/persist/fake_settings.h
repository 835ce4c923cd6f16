// Test doubles for the settings procedures: a property bag that stores
// typed values and converts like an automation bag, and a control that
// records every assignment and can refuse one key.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control/persist/settings_procedures.h"

namespace korvix::persist::testing {

constexpr std::int32_t kTypeMismatch = 13;
constexpr std::int32_t kRefused = 380;
constexpr std::int32_t kSentinel = 0x5A5A;

inline const KeyInfo& info_of(Key k) { return key_info(k); }

// Converts as automation does for the cases the tests use: numbers between
// widths (Integer overflow fails), numbers to Boolean (non-zero is True),
// strings holding digits to numbers; anything else fails.
inline std::optional<Value> convert(const Value& v, ValueKind to) {
    auto numeric = [&](std::int32_t n) -> std::optional<Value> {
        if (to == ValueKind::Integer && (n < -32768 || n > 32767)) return std::nullopt;
        if (to == ValueKind::Boolean) n = n != 0 ? kTrue : kFalse;
        return Value::numeric(to, n);
    };
    if (to == ValueKind::String) {
        if (v.kind != ValueKind::String) return std::nullopt;
        return v;
    }
    if (to == ValueKind::Object) {
        if (v.kind != ValueKind::Object) return std::nullopt;
        return v;
    }
    if (v.kind == ValueKind::String) {
        if (v.text.empty()) return std::nullopt;
        std::int32_t n = 0;
        for (char16_t c : v.text) {
            if (c < u'0' || c > u'9') return std::nullopt;
            n = n * 10 + (c - u'0');
        }
        return numeric(n);
    }
    if (v.kind == ValueKind::Object) return std::nullopt;
    return numeric(v.number);
}

class FakeBag final : public ValueSource, public ValueSink {
public:
    std::map<std::u16string, Value> stored;
    std::vector<std::u16string> reads;   // keys in the order they were read
    std::vector<std::u16string> writes;  // keys in the order they were offered
    std::optional<Key> fail_write_at;
    bool omit_defaults = true;

    Outcome fetch(const KeyInfo& info, Value& out) override {
        reads.push_back(info.name);
        auto it = stored.find(info.name);
        const Value raw = it == stored.end() ? default_value(info) : it->second;
        std::optional<Value> converted = convert(raw, info.written);
        if (!converted) return Outcome::failure(info.key, kTypeMismatch, "Type mismatch");
        out = *converted;
        return Outcome::success();
    }

    Outcome store(const KeyInfo& info, const Value& value, bool is_default) override {
        writes.push_back(info.name);
        if (fail_write_at && *fail_write_at == info.key) return Outcome::failure(info.key, 7, "Out of memory");
        if (is_default && omit_defaults)
            stored.erase(info.name);
        else
            stored[info.name] = value;
        return Outcome::success();
    }
};

// A control whose every setting starts at a sentinel, so untouched keys show.
class RecordingControl final : public SettingsTarget {
public:
    Snapshot values;
    std::vector<Key> assigned;
    std::optional<Key> refuse;

    RecordingControl() {
        for (const KeyInfo& info : kKeys) {
            Value& v = values[static_cast<std::size_t>(info.key)];
            if (info.written == ValueKind::String)
                v = Value::string(u"sentinel");
            else if (info.written == ValueKind::Object)
                v = Value::object_value(std::make_shared<int>(kSentinel));
            else
                v = Value::numeric(info.written, kSentinel);
        }
    }

    Value current(const KeyInfo& info) const override { return values[static_cast<std::size_t>(info.key)]; }

    Outcome check(const KeyInfo& info, const Value&) const override {
        if (refuse && *refuse == info.key) return Outcome::failure(info.key, kRefused, "Invalid property value");
        return Outcome::success();
    }

    Outcome assign(const KeyInfo& info, const Value& value) override {
        if (refuse && *refuse == info.key) return Outcome::failure(info.key, kRefused, "Invalid property value");
        assigned.push_back(info.key);
        values[static_cast<std::size_t>(info.key)] = value;
        return Outcome::success();
    }

    const Value& at(Key k) const { return values[static_cast<std::size_t>(k)]; }
    bool untouched(Key k) const {
        const Value& v = at(k);
        if (v.kind == ValueKind::String) return v.text == u"sentinel";
        if (v.kind == ValueKind::Object) return v.object && *static_cast<int*>(v.object.get()) == kSentinel;
        return v.number == kSentinel;
    }
};

}  // namespace korvix::persist::testing
