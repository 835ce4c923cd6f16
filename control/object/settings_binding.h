// The settings model bound to OLE: property-bag reading with the platform's
// variant conversion, property-bag writing, and pictures (the mouse icon) as
// model objects and as bytes.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include "common/win/unique_resource.h"
#include "control/persist/settings_stream.h"

namespace korvix {

// A picture as a model object value (Nothing for null) and back.
persist::Value picture_value(IPictureDisp* picture);
IPictureDisp* picture_of(const persist::Value& value) noexcept;

// Reads a key from a bag: absent keys read as their default, then the value
// is converted with VariantChangeType to the type the key is written as.
class BagSource final : public persist::ValueSource {
public:
    BagSource(IPropertyBag* bag, IErrorLog* log) noexcept : bag_(bag), log_(log) {}
    persist::Outcome fetch(const persist::KeyInfo& info, persist::Value& out) override;

private:
    IPropertyBag* bag_;
    IErrorLog* log_;
};

// Writes a key into a bag; values equal to their default are left out
// unless the container asked for every property.
class BagSink final : public persist::ValueSink {
public:
    BagSink(IPropertyBag* bag, bool save_all) noexcept : bag_(bag), save_all_(save_all) {}
    persist::Outcome store(const persist::KeyInfo& info, const persist::Value& value, bool is_default) override;

private:
    IPropertyBag* bag_;
    bool save_all_;
};

// Pictures to bytes through their own persistence (class id + data, as
// OleSaveToStream writes them) and back.
class PictureCodec final : public persist::ObjectCodec {
public:
    persist::Outcome save(const std::shared_ptr<void>& object, std::vector<std::uint8_t>& bytes) override;
    persist::Outcome load(const std::uint8_t* data, std::size_t size, std::shared_ptr<void>& object) override;
};

// An Outcome's failure as an HRESULT with its description published.
HRESULT report_failure(const persist::Outcome& outcome, REFIID source) noexcept;
HRESULT report_stream_error(persist::StreamError error, REFIID source) noexcept;

}  // namespace korvix
