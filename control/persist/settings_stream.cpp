#include "control/persist/settings_stream.h"

#include <cstring>
#include <iterator>

namespace korvix::persist {

namespace {

constexpr std::uint8_t kMagic[4] = {'K', 'V', 'X', 'S'};

void put_u16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
}

std::uint16_t get_u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t get_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Bounds-checked reader over the payload.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool take(std::size_t n, const std::uint8_t*& p) {
        if (n > size_ - pos_) return false;
        p = data_ + pos_;
        pos_ += n;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace

const char* describe(StreamError error) {
    switch (error) {
    case StreamError::none: return "No error.";
    case StreamError::bad_magic: return "The stored settings are not in this control's format.";
    case StreamError::unsupported_version: return "The stored settings were written by an incompatible version of the control.";
    case StreamError::too_large: return "The stored settings record is larger than any this control writes.";
    case StreamError::truncated: return "The stored settings are incomplete.";
    case StreamError::bad_object: return "The mouse icon in the stored settings cannot be read.";
    }
    return "The stored settings cannot be read.";
}

Outcome encode_settings(const Snapshot& values, ObjectCodec& objects, std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t> payload;
    for (const KeyInfo& info : kKeys) {
        const Value& v = values[static_cast<std::size_t>(info.key)];
        switch (info.written) {
        case ValueKind::Integer:
        case ValueKind::Boolean:
            put_u16(payload, static_cast<std::uint16_t>(static_cast<std::int16_t>(v.number)));
            break;
        case ValueKind::Long:
            put_u32(payload, static_cast<std::uint32_t>(v.number));
            break;
        case ValueKind::String:
            put_u32(payload, static_cast<std::uint32_t>(v.text.size()));
            for (char16_t c : v.text) put_u16(payload, static_cast<std::uint16_t>(c));
            break;
        case ValueKind::Object: {
            std::vector<std::uint8_t> bytes;
            if (v.object) {
                Outcome saved = objects.save(v.object, bytes);
                if (!saved.ok) return saved;
            }
            put_u32(payload, static_cast<std::uint32_t>(bytes.size()));
            payload.insert(payload.end(), bytes.begin(), bytes.end());
            break;
        }
        }
    }
    if (payload.size() > kMaxPayloadSize)
        return Outcome::failure(Key::MouseIcon, 0, describe(StreamError::too_large));
    out.assign(std::begin(kMagic), std::end(kMagic));
    put_u16(out, kStreamMajor);
    put_u16(out, kStreamMinor);
    put_u32(out, static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return Outcome::success();
}

StreamError parse_header(const std::uint8_t* data, std::size_t size, StreamHeader& header) {
    if (size < kStreamHeaderSize) return StreamError::truncated;
    if (std::memcmp(data, kMagic, 4) != 0) return StreamError::bad_magic;
    StreamHeader h;
    h.major = get_u16(data + 4);
    h.minor = get_u16(data + 6);
    h.payload_size = get_u32(data + 8);
    if (h.major != kStreamMajor) return StreamError::unsupported_version;
    if (h.payload_size > kMaxPayloadSize) return StreamError::too_large;
    header = h;
    return StreamError::none;
}

StreamError decode_payload(const std::uint8_t* data, std::size_t size, ObjectCodec& objects, Snapshot& values) {
    Reader in(data, size);
    Snapshot decoded;
    for (const KeyInfo& info : kKeys) {
        Value& v = decoded[static_cast<std::size_t>(info.key)];
        v.kind = info.written;
        const std::uint8_t* p = nullptr;
        switch (info.written) {
        case ValueKind::Integer:
            if (!in.take(2, p)) return StreamError::truncated;
            v.number = static_cast<std::int16_t>(get_u16(p));
            break;
        case ValueKind::Boolean:
            if (!in.take(2, p)) return StreamError::truncated;
            v.number = get_u16(p) != 0 ? kTrue : kFalse;
            break;
        case ValueKind::Long:
            if (!in.take(4, p)) return StreamError::truncated;
            v.number = static_cast<std::int32_t>(get_u32(p));
            break;
        case ValueKind::String: {
            if (!in.take(4, p)) return StreamError::truncated;
            const std::uint32_t count = get_u32(p);
            // count * 2 cannot overflow size_t: count came from 32 bits and
            // the payload is capped far below SIZE_MAX / 2.
            if (count > kMaxPayloadSize / 2 || !in.take(std::size_t{count} * 2, p)) return StreamError::truncated;
            v.text.resize(count);
            for (std::uint32_t i = 0; i < count; ++i) v.text[i] = static_cast<char16_t>(get_u16(p + 2 * i));
            break;
        }
        case ValueKind::Object: {
            if (!in.take(4, p)) return StreamError::truncated;
            const std::uint32_t count = get_u32(p);
            if (!in.take(count, p)) return StreamError::truncated;
            if (count != 0 && !objects.load(p, count, v.object).ok) return StreamError::bad_object;
            break;
        }
        }
    }
    // Anything after the sixteen values belongs to a later minor version.
    values = std::move(decoded);
    return StreamError::none;
}

StreamError decode_settings(const std::uint8_t* data, std::size_t size, ObjectCodec& objects, Snapshot& values,
                            std::size_t& consumed) {
    StreamHeader header;
    StreamError e = parse_header(data, size, header);
    if (e != StreamError::none) return e;
    if (header.payload_size > size - kStreamHeaderSize) return StreamError::truncated;
    e = decode_payload(data + kStreamHeaderSize, header.payload_size, objects, values);
    if (e != StreamError::none) return e;
    consumed = kStreamHeaderSize + header.payload_size;
    return StreamError::none;
}

}  // namespace korvix::persist
