// The messages between the 64-bit control and its 32-bit helper process
// (korvix_twain32.exe), and their bytes on the pipe that joins them.
//
// A frame is an 8-byte header, then its payload:
//   type (16 bits), reserved (16 bits, zero), payload length (32 bits),
// every number little-endian, whatever the two processes' bitness. Each
// type has a fixed payload length, or for the source list a bounded one;
// a reader checks the length against that before it buffers a byte of the
// payload, and checks every field (booleans 0 or 1, texts terminated inside
// their field, statuses known) before a message is handed on. Anything else
// breaks the stream for good: the control then treats the helper as dead.
//
// Portable and free of any platform call, so the reader is tested natively
// and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace korvix::twain::bridge {

// Raised whenever a message or its meaning changes: both sides must agree.
constexpr std::uint32_t kProtocolVersion = 1;

// A source's name as TWAIN gives it: at most 33 single-byte characters.
constexpr std::size_t kNameField = 34;
// The most sources a list may hold.
constexpr std::uint32_t kMaxSources = 64;

enum class MessageType : std::uint16_t {
    // control -> helper
    scan = 1,
    choose = 2,
    list = 3,
    grant = 4,
    cancel = 5,
    // helper -> control
    hello = 101,
    beat = 102,
    ui_shown = 103,
    ui_hidden = 104,
    page_ready = 105,
    page_written = 106,
    sources = 107,
    done = 108,
};

// ---- control -> helper -----------------------------------------------------

// Scan with the control's settings. owner: the host's top-level window
// (window handles are 32-bit significant in every process); source: the
// source to open by name, empty for the source manager's default.
struct ScanRequest {
    std::int16_t resolution = 0;
    std::int32_t color_type = 0;
    bool show_progress = false;
    bool show_interface = false;
    std::uint32_t owner = 0;
    std::string source;
};

// The source manager's own chooser.
struct ChooseRequest {
    std::uint32_t owner = 0;
};

// The names of the sources the helper's source manager lists.
struct ListRequest {};

// The answer to PageReady: a section the control made for the page,
// duplicated into the helper (handle 0: refused).
struct SectionGrant {
    std::uint32_t handle = 0;
    std::uint64_t bytes = 0;
};

// The host is quitting: end the call at once.
struct Cancel {};

// ---- helper -> control -----------------------------------------------------

struct Hello {
    std::uint32_t version = 0;
};

// Sent while the helper is alive and working, a few times a second.
struct Beat {};

// A dialog (the source's own, or the chooser) is up, and down again.
struct UiShown {};
struct UiHidden {};

// A transferred page, checked by the helper, ready to be written into a
// section the control makes. resolution_sent: the dpi the helper set on the
// source, 0 when the source kept its own.
struct PageReady {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bit_count = 0;
    std::uint32_t palette_entries = 0;
    std::int32_t x_pels_per_meter = 0;
    std::int32_t y_pels_per_meter = 0;
    std::int16_t resolution_sent = 0;
};

// The page is in the granted section, which the helper no longer maps.
struct PageWritten {};

struct SourceList {
    std::vector<std::string> names;
};

enum class CallStatus : std::uint32_t {
    done = 0,
    failed = 1,
    no_source_manager = 2,  // the helper cannot load its TWAIN_32.DLL
};

// The end of a call. source: for a scan the source that was opened, for the
// chooser the one the user chose (empty when none).
struct Done {
    CallStatus status = CallStatus::failed;
    std::string source;
};

using Message = std::variant<ScanRequest, ChooseRequest, ListRequest, SectionGrant, Cancel, Hello, Beat, UiShown,
                             UiHidden, PageReady, PageWritten, SourceList, Done>;

constexpr std::size_t kFrameHeader = 8;

// The frame of a message. Texts longer than a name field are cut to 33
// bytes; a list longer than kMaxSources is cut to that many.
std::vector<std::uint8_t> encode(const Message& message);

// Turns the bytes of a pipe back into messages, one frame at a time.
class WireReader {
public:
    enum class Next { message, need_more, broken };

    // Appends bytes as they arrive, dropping those already read. Callers
    // drain next() before feeding more, so no more than one partial frame
    // and the last chunk are ever held.
    void feed(const std::uint8_t* data, std::size_t size);
    // The next whole message; broken (and broken from then on) at the first
    // frame that is not one this protocol sends.
    Next next(Message& out);
    bool broken() const noexcept { return broken_; }
    // Bytes received that do not yet make a whole frame.
    std::size_t pending() const noexcept { return buffer_.size() - start_; }

private:
    Next fail() noexcept;

    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
    bool broken_ = false;
};

}  // namespace korvix::twain::bridge
