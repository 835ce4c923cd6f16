// The sixteen persisted settings of the control: their keys, the variant
// type each is written as, and the default a missing key reads as. The order
// of the table is the order of writing and of reading.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvix::persist {

// Stored value kinds; the numbers are the OLE variant types they map to.
enum class ValueKind : std::uint16_t {
    Integer = 2,   // VT_I2
    Long = 3,      // VT_I4
    String = 8,    // VT_BSTR
    Object = 9,    // VT_DISPATCH (a picture or Nothing)
    Boolean = 11,  // VT_BOOL
};

enum class Key : std::size_t {
    BackColor,
    Enabled,
    MouseIcon,
    MousePointer,
    ToolTipText,
    ColorType,
    Resolution,
    Filename,
    ShowProgress,
    ShowInterface,
    AutoRedraw,
    BorderStyle,
    Scrollable,
    Quality,
    Compression,
    FileType,
};

constexpr std::size_t kKeyCount = 16;

struct KeyInfo {
    Key key;
    const char16_t* name;      // property-bag key, exact spelling
    ValueKind written;         // type of the value written
    ValueKind default_kind;    // type of the default (FileType: Integer)
    std::int32_t default_number;  // numeric defaults; strings and objects default empty
};

// Booleans use the automation convention True = -1.
constexpr std::int32_t kTrue = -1;
constexpr std::int32_t kFalse = 0;
constexpr std::int32_t kDefaultBackColor = static_cast<std::int32_t>(0x80000005u);  // system window colour

constexpr std::array<KeyInfo, kKeyCount> kKeys = {{
    {Key::BackColor, u"BackColor", ValueKind::Long, ValueKind::Long, kDefaultBackColor},
    {Key::Enabled, u"Enabled", ValueKind::Boolean, ValueKind::Boolean, kTrue},
    {Key::MouseIcon, u"MouseIcon", ValueKind::Object, ValueKind::Object, 0},
    {Key::MousePointer, u"MousePointer", ValueKind::Integer, ValueKind::Integer, 0},
    {Key::ToolTipText, u"ToolTipText", ValueKind::String, ValueKind::String, 0},
    {Key::ColorType, u"ColorType", ValueKind::Long, ValueKind::Long, 0},
    {Key::Resolution, u"Resolution", ValueKind::Integer, ValueKind::Integer, 75},
    {Key::Filename, u"Filename", ValueKind::String, ValueKind::String, 0},
    {Key::ShowProgress, u"ShowProgress", ValueKind::Boolean, ValueKind::Boolean, kTrue},
    {Key::ShowInterface, u"ShowInterface", ValueKind::Boolean, ValueKind::Boolean, kFalse},
    {Key::AutoRedraw, u"AutoRedraw", ValueKind::Boolean, ValueKind::Boolean, kTrue},
    {Key::BorderStyle, u"BorderStyle", ValueKind::Integer, ValueKind::Integer, 1},
    {Key::Scrollable, u"Scrollable", ValueKind::Boolean, ValueKind::Boolean, kTrue},
    {Key::Quality, u"Quality", ValueKind::Integer, ValueKind::Integer, 0},
    {Key::Compression, u"Compression", ValueKind::Integer, ValueKind::Integer, 0},
    {Key::FileType, u"FileType", ValueKind::Long, ValueKind::Integer, 0},
}};

constexpr const KeyInfo& key_info(Key key) { return kKeys[static_cast<std::size_t>(key)]; }

}  // namespace korvix::persist
