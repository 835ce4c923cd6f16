// Binary form of the settings for stream and storage persistence.
//
// Layout (little-endian):
//   header, 12 bytes: magic "KVXS", u16 major, u16 minor, u32 payload size
//   payload: the sixteen values in key order
//     Integer / Boolean: i16 (Boolean True = -1)    Long: i32
//     String: u32 count of UTF-16 units, then the units
//     Object: u32 byte count (0 = Nothing), then the object's own bytes
// A later minor version may append fields after the sixteen values: readers
// skip any payload tail they do not know. A different major version, a bad
// magic, or a payload shorter than the fields it must hold is rejected.
// Decoding is all-or-nothing: a rejected record yields no values at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "control/persist/settings_procedures.h"

namespace korvix::persist {

constexpr std::uint16_t kStreamMajor = 1;
constexpr std::uint16_t kStreamMinor = 0;
constexpr std::size_t kStreamHeaderSize = 12;
// Refuses absurd sizes from corrupt headers before allocating anything.
constexpr std::uint32_t kMaxPayloadSize = 64u * 1024u * 1024u;

// Turns the opaque object values (pictures) into bytes and back.
class ObjectCodec {
public:
    // Bytes of a non-empty object; a failure is reported through the Outcome.
    virtual Outcome save(const std::shared_ptr<void>& object, std::vector<std::uint8_t>& bytes) = 0;
    virtual Outcome load(const std::uint8_t* data, std::size_t size, std::shared_ptr<void>& object) = 0;

protected:
    ~ObjectCodec() = default;
};

enum class StreamError {
    none,
    bad_magic,
    unsupported_version,
    too_large,
    truncated,
    bad_object,
};

const char* describe(StreamError error);

// Encodes a whole record (header + payload).
Outcome encode_settings(const Snapshot& values, ObjectCodec& objects, std::vector<std::uint8_t>& out);

struct StreamHeader {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint32_t payload_size = 0;
};

// Checks the 12 header bytes.
StreamError parse_header(const std::uint8_t* data, std::size_t size, StreamHeader& header);

// Decodes a payload of header.payload_size bytes. On any error `values` is
// left untouched.
StreamError decode_payload(const std::uint8_t* data, std::size_t size, ObjectCodec& objects, Snapshot& values);

// Header and payload from one buffer; `consumed` is the record's full size.
StreamError decode_settings(const std::uint8_t* data, std::size_t size, ObjectCodec& objects, Snapshot& values,
                            std::size_t& consumed);

}  // namespace korvix::persist
