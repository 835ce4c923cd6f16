#include "control/persist/property_value.h"

namespace korvix::persist {

namespace {
bool is_number(ValueKind k) {
    return k == ValueKind::Integer || k == ValueKind::Long || k == ValueKind::Boolean;
}
}  // namespace

Value default_value(const KeyInfo& info) {
    switch (info.default_kind) {
    case ValueKind::String:
        return Value::string(u"");
    case ValueKind::Object:
        return Value::object_value(nullptr);
    default:
        return Value::numeric(info.default_kind, info.default_number);
    }
}

bool same_value(const Value& a, const Value& b) {
    if (is_number(a.kind) && is_number(b.kind)) return a.number == b.number;
    if (a.kind != b.kind) return false;
    if (a.kind == ValueKind::String) return a.text == b.text;
    return a.object == b.object;
}

}  // namespace korvix::persist
