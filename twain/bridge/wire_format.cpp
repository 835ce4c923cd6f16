#include "twain/bridge/wire_format.h"

#include <algorithm>
#include <cstring>

namespace korvix::twain::bridge {

namespace {

constexpr std::uint32_t kLargestList = 4 + kMaxSources * kNameField;

// Payload bytes a type always has; the list's is its largest.
struct PayloadRule {
    std::uint32_t bytes = 0;
    bool bounded = false;  // up to bytes, not exactly
};

bool payload_rule(std::uint16_t type, PayloadRule& rule) noexcept {
    switch (static_cast<MessageType>(type)) {
    case MessageType::scan: rule = {46}; return true;
    case MessageType::choose: rule = {4}; return true;
    case MessageType::grant: rule = {12}; return true;
    case MessageType::hello: rule = {4}; return true;
    case MessageType::page_ready: rule = {24}; return true;
    case MessageType::done: rule = {4 + kNameField}; return true;
    case MessageType::sources: rule = {kLargestList, true}; return true;
    case MessageType::list:
    case MessageType::cancel:
    case MessageType::beat:
    case MessageType::ui_shown:
    case MessageType::ui_hidden:
    case MessageType::page_written: rule = {0}; return true;
    }
    return false;
}

class Writer {
public:
    explicit Writer(MessageType type) { put(static_cast<std::uint16_t>(type)), put(std::uint16_t{0}), put(0u); }
    void put(std::uint8_t v) { bytes_.push_back(v); }
    void put(bool v) { put(static_cast<std::uint8_t>(v ? 1 : 0)); }
    void put(std::uint16_t v) { put_le(v, 2); }
    void put(std::int16_t v) { put_le(static_cast<std::uint16_t>(v), 2); }
    void put(std::uint32_t v) { put_le(v, 4); }
    void put(std::int32_t v) { put_le(static_cast<std::uint32_t>(v), 4); }
    void put(std::uint64_t v) { put_le(v, 8); }
    void put_name(const std::string& text) {
        const std::size_t n = std::min(text.size(), kNameField - 1);
        bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
        bytes_.insert(bytes_.end(), kNameField - n, 0);
    }
    std::vector<std::uint8_t> finish() {
        const auto length = static_cast<std::uint32_t>(bytes_.size() - kFrameHeader);
        for (int i = 0; i < 4; ++i) bytes_[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
        return std::move(bytes_);
    }

private:
    void put_le(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t> bytes_;
};

// Reads a payload whose length was already checked; each getter fails (and
// the whole message with it) on a value this protocol never sends.
class Cursor {
public:
    Cursor(const std::uint8_t* p, std::size_t n) noexcept : p_(p), end_(p + n) {}
    bool ok() const noexcept { return ok_ && p_ == end_; }

    std::uint64_t le(int n) noexcept {
        if (end_ - p_ < n) return ok_ = false, 0;
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(p_[i]) << (8 * i);
        p_ += n;
        return v;
    }
    std::uint16_t u16() noexcept { return static_cast<std::uint16_t>(le(2)); }
    std::int16_t i16() noexcept { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32() noexcept { return static_cast<std::uint32_t>(le(4)); }
    std::int32_t i32() noexcept { return static_cast<std::int32_t>(u32()); }
    std::uint64_t u64() noexcept { return le(8); }
    bool flag() noexcept {
        const auto v = le(1);
        if (v > 1) ok_ = false;
        return v == 1;
    }
    // A NUL-terminated text in a name field.
    std::string name() {
        if (end_ - p_ < static_cast<std::ptrdiff_t>(kNameField)) return ok_ = false, std::string();
        const auto* nul = static_cast<const std::uint8_t*>(std::memchr(p_, 0, kNameField));
        if (!nul) ok_ = false;
        std::string text(p_, nul ? nul : p_);
        p_ += kNameField;
        return text;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
    bool ok_ = true;
};

bool decode(MessageType type, Cursor& c, Message& out) {
    switch (type) {
    case MessageType::scan: {
        ScanRequest m;
        m.resolution = c.i16();
        m.color_type = c.i32();
        m.show_progress = c.flag();
        m.show_interface = c.flag();
        m.owner = c.u32();
        m.source = c.name();
        out = std::move(m);
        break;
    }
    case MessageType::choose: out = ChooseRequest{c.u32()}; break;
    case MessageType::list: out = ListRequest{}; break;
    case MessageType::grant: {
        SectionGrant m;
        m.handle = c.u32();
        m.bytes = c.u64();
        out = m;
        break;
    }
    case MessageType::cancel: out = Cancel{}; break;
    case MessageType::hello: out = Hello{c.u32()}; break;
    case MessageType::beat: out = Beat{}; break;
    case MessageType::ui_shown: out = UiShown{}; break;
    case MessageType::ui_hidden: out = UiHidden{}; break;
    case MessageType::page_ready: {
        PageReady m;
        m.width = c.i32();
        m.height = c.i32();
        m.bit_count = c.u16();
        m.palette_entries = c.u32();
        m.x_pels_per_meter = c.i32();
        m.y_pels_per_meter = c.i32();
        m.resolution_sent = c.i16();
        out = m;
        break;
    }
    case MessageType::page_written: out = PageWritten{}; break;
    case MessageType::sources: {
        SourceList m;
        const std::uint32_t count = c.u32();
        if (count > kMaxSources) return false;
        for (std::uint32_t i = 0; i < count; ++i) m.names.push_back(c.name());
        out = std::move(m);
        break;
    }
    case MessageType::done: {
        Done m;
        const std::uint32_t status = c.u32();
        if (status > static_cast<std::uint32_t>(CallStatus::no_source_manager)) return false;
        m.status = static_cast<CallStatus>(status);
        m.source = c.name();
        out = std::move(m);
        break;
    }
    }
    return c.ok();
}

}  // namespace

std::vector<std::uint8_t> encode(const Message& message) {
    struct Encode {
        std::vector<std::uint8_t> operator()(const ScanRequest& m) const {
            Writer w(MessageType::scan);
            w.put(m.resolution), w.put(m.color_type), w.put(m.show_progress), w.put(m.show_interface);
            w.put(m.owner), w.put_name(m.source);
            return w.finish();
        }
        std::vector<std::uint8_t> operator()(const ChooseRequest& m) const {
            Writer w(MessageType::choose);
            w.put(m.owner);
            return w.finish();
        }
        std::vector<std::uint8_t> operator()(const ListRequest&) const { return Writer(MessageType::list).finish(); }
        std::vector<std::uint8_t> operator()(const SectionGrant& m) const {
            Writer w(MessageType::grant);
            w.put(m.handle), w.put(m.bytes);
            return w.finish();
        }
        std::vector<std::uint8_t> operator()(const Cancel&) const { return Writer(MessageType::cancel).finish(); }
        std::vector<std::uint8_t> operator()(const Hello& m) const {
            Writer w(MessageType::hello);
            w.put(m.version);
            return w.finish();
        }
        std::vector<std::uint8_t> operator()(const Beat&) const { return Writer(MessageType::beat).finish(); }
        std::vector<std::uint8_t> operator()(const UiShown&) const { return Writer(MessageType::ui_shown).finish(); }
        std::vector<std::uint8_t> operator()(const UiHidden&) const {
            return Writer(MessageType::ui_hidden).finish();
        }
        std::vector<std::uint8_t> operator()(const PageReady& m) const {
            Writer w(MessageType::page_ready);
            w.put(m.width), w.put(m.height), w.put(m.bit_count), w.put(m.palette_entries);
            w.put(m.x_pels_per_meter), w.put(m.y_pels_per_meter), w.put(m.resolution_sent);
            return w.finish();
        }
        std::vector<std::uint8_t> operator()(const PageWritten&) const {
            return Writer(MessageType::page_written).finish();
        }
        std::vector<std::uint8_t> operator()(const SourceList& m) const {
            Writer w(MessageType::sources);
            const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(m.names.size(), kMaxSources));
            w.put(count);
            for (std::uint32_t i = 0; i < count; ++i) w.put_name(m.names[i]);
            return w.finish();
        }
        std::vector<std::uint8_t> operator()(const Done& m) const {
            Writer w(MessageType::done);
            w.put(static_cast<std::uint32_t>(m.status)), w.put_name(m.source);
            return w.finish();
        }
    };
    return std::visit(Encode{}, message);
}

WireReader::Next WireReader::fail() noexcept {
    broken_ = true;
    buffer_.clear();
    start_ = 0;
    return Next::broken;
}

void WireReader::feed(const std::uint8_t* data, std::size_t size) {
    if (broken_ || size == 0) return;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));  // what was read
    start_ = 0;
    buffer_.insert(buffer_.end(), data, data + size);
}

WireReader::Next WireReader::next(Message& out) {
    if (broken_) return Next::broken;
    const std::size_t available = buffer_.size() - start_;
    if (available < kFrameHeader) return Next::need_more;
    const std::uint8_t* h = buffer_.data() + start_;
    const std::uint16_t type = static_cast<std::uint16_t>(h[0] | h[1] << 8);
    const std::uint16_t reserved = static_cast<std::uint16_t>(h[2] | h[3] << 8);
    const std::uint32_t length = static_cast<std::uint32_t>(h[4]) | static_cast<std::uint32_t>(h[5]) << 8 |
                                 static_cast<std::uint32_t>(h[6]) << 16 | static_cast<std::uint32_t>(h[7]) << 24;
    PayloadRule rule;
    if (reserved != 0 || !payload_rule(type, rule) || length > rule.bytes || (!rule.bounded && length != rule.bytes))
        return fail();
    if (available - kFrameHeader < length) return Next::need_more;
    Cursor cursor(h + kFrameHeader, length);
    if (!decode(static_cast<MessageType>(type), cursor, out)) return fail();
    start_ += kFrameHeader + length;
    return Next::message;
}

}  // namespace korvix::twain::bridge
