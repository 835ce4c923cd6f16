#include "control/persist/settings_procedures.h"

namespace korvix::persist {

Outcome read_settings(ValueSource& source, SettingsTarget& target) {
    for (const KeyInfo& info : kKeys) {
        Value value;
        Outcome fetched = source.fetch(info, value);
        if (!fetched.ok) return fetched;
        Outcome assigned = target.assign(info, value);
        if (!assigned.ok) return assigned;
    }
    return Outcome::success();
}

Outcome write_settings(const SettingsTarget& target, ValueSink& sink) {
    for (const KeyInfo& info : kKeys) {
        const Value value = target.current(info);
        Outcome stored = sink.store(info, value, same_value(value, default_value(info)));
        if (!stored.ok) return stored;
    }
    return Outcome::success();
}

Snapshot capture(const SettingsTarget& target) {
    Snapshot snap;
    for (const KeyInfo& info : kKeys) snap[static_cast<std::size_t>(info.key)] = target.current(info);
    return snap;
}

Outcome apply_snapshot(const Snapshot& values, SettingsTarget& target) {
    for (const KeyInfo& info : kKeys) {
        Outcome checked = target.check(info, values[static_cast<std::size_t>(info.key)]);
        if (!checked.ok) return checked;
    }
    for (const KeyInfo& info : kKeys) {
        Outcome assigned = target.assign(info, values[static_cast<std::size_t>(info.key)]);
        if (!assigned.ok) return assigned;
    }
    return Outcome::success();
}

Snapshot defaults_snapshot() {
    Snapshot snap;
    for (const KeyInfo& info : kKeys) {
        Value v = default_value(info);
        v.kind = info.written;  // FileType's Integer default is stored as a Long
        snap[static_cast<std::size_t>(info.key)] = v;
    }
    return snap;
}

}  // namespace korvix::persist
