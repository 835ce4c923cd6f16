// Reading and writing the sixteen settings in their fixed order, apart from
// where they are stored (a property bag, a stream) and from the control that
// holds them. Failures carry the platform's error code (an HRESULT on
// Windows) and a description for the host.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "control/persist/property_keys.h"
#include "control/persist/property_value.h"

namespace korvix::persist {

struct Outcome {
    bool ok = true;
    Key key = Key::BackColor;    // the key that failed, when !ok
    std::int32_t code = 0;       // platform error code
    std::string message;         // description for the host

    static Outcome success() { return {}; }
    static Outcome failure(Key key, std::int32_t code, std::string message) {
        return {false, key, code, std::move(message)};
    }
};

// Where stored values come from. fetch() reads the key (its default when
// absent) and converts it to info.written, as the platform's variant
// conversion does; a value that does not convert is a failure.
class ValueSource {
public:
    virtual Outcome fetch(const KeyInfo& info, Value& out) = 0;

protected:
    ~ValueSource() = default;
};

// Where stored values go. is_default tells the sink the value equals the
// key's default, so a bag may leave it out.
class ValueSink {
public:
    virtual Outcome store(const KeyInfo& info, const Value& value, bool is_default) = 0;

protected:
    ~ValueSink() = default;
};

// The control side: current values and assignment (an inner member may
// refuse a value: that is a failure too). check() answers what assign()
// would answer about the value, without changing anything.
class SettingsTarget {
public:
    virtual Value current(const KeyInfo& info) const = 0;
    virtual Outcome check(const KeyInfo& info, const Value& value) const = 0;
    virtual Outcome assign(const KeyInfo& info, const Value& value) = 0;

protected:
    ~SettingsTarget() = default;
};

// Reads every key in order and assigns it. The first failure (conversion or
// refusal) stops reading: the keys before it stay assigned, the keys after it
// keep whatever the target held before.
Outcome read_settings(ValueSource& source, SettingsTarget& target);

// Writes every key in order; each value is offered to the sink flagged with
// whether it equals its key's default. The first failure stops writing.
Outcome write_settings(const SettingsTarget& target, ValueSink& sink);

// A complete set of values in key order (what a stream holds).
using Snapshot = std::array<Value, kKeyCount>;

Snapshot capture(const SettingsTarget& target);

// Applies a whole record: every value is checked before the first one is
// assigned, so a value the control refuses leaves it as it was.
Outcome apply_snapshot(const Snapshot& values, SettingsTarget& target);

Snapshot defaults_snapshot();

}  // namespace korvix::persist
