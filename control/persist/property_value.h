// One persisted value as the portable model sees it: a number (Integer,
// Long, Boolean), a string, or an object (a picture, or Nothing). Objects
// are opaque here; the platform binding decides what they hold.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/persist/property_keys.h"

namespace korvix::persist {

struct Value {
    ValueKind kind = ValueKind::Long;
    std::int32_t number = 0;          // Integer, Long, Boolean (True = -1)
    std::u16string text;              // String
    std::shared_ptr<void> object;     // Object; empty = Nothing

    static Value integer(std::int16_t n) { return numeric(ValueKind::Integer, n); }
    static Value long_value(std::int32_t n) { return numeric(ValueKind::Long, n); }
    static Value boolean(bool b) { return numeric(ValueKind::Boolean, b ? kTrue : kFalse); }
    static Value string(std::u16string s) {
        Value v;
        v.kind = ValueKind::String;
        v.text = std::move(s);
        return v;
    }
    static Value object_value(std::shared_ptr<void> o) {
        Value v;
        v.kind = ValueKind::Object;
        v.object = std::move(o);
        return v;
    }
    static Value numeric(ValueKind kind, std::int32_t n) {
        Value v;
        v.kind = kind;
        v.number = n;
        return v;
    }
};

// The value a missing key reads as (typed as the default is, see FileType).
Value default_value(const KeyInfo& info);

// Equality as the bag's "omit when equal to the default" test sees it:
// numbers compare by value whatever their width (FileType Long 0 equals the
// Integer 0 default), strings by content, objects by identity (Nothing == Nothing).
bool same_value(const Value& a, const Value& b);

}  // namespace korvix::persist
