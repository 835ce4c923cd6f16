// The control's side of the helper's pipe on arbitrary bytes: the frame
// reader, and the conversation of a scan that every message it lets through
// goes into, down to the check of a section filled with the input itself.
// Beyond "no crash": a message re-encodes to the same frame, a page is taken
// only when its section checked out, and no dialog stays up after the end.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "twain/bridge/host_call.h"

namespace {

using namespace korvix::twain::bridge;

// Sections are kept small here; the control's real limit is 4 GiB.
constexpr std::uint64_t kLargest = 1 << 20;

class Effects final : public HostCall::Effects {
public:
    Effects(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool dialog = false;
    int pages_taken = 0;

    bool send(const Message&) override { return true; }
    std::uint32_t grant_section(const PageSection& plan) override {
        if (plan.section_bytes > kLargest) std::abort();
        return size_ % 5 == 0 ? 0 : 0x1C4;
    }
    // The section holds the input, cycled, under a header written as the
    // helper writes it when the input's first byte is even.
    bool take_page(const PageSection& plan, const PageReady& page) override {
        std::vector<std::uint8_t> section(plan.section_bytes);
        for (std::size_t i = 0; i < section.size() && size_; ++i) section[i] = data_[i % size_];
        if (size_ && data_[0] % 2 == 0)
            write_page_header(section.data(), plan, page.x_pels_per_meter, page.y_pels_per_meter, nullptr);
        const bool held = section_holds_page(section.data(), section.size(), plan);
        pages_taken += held;
        return held;
    }
    void dialog_up(bool up) override {
        if (up == dialog) std::abort();  // shown twice or hidden unshown
        dialog = up;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Effects effects(data, size);
    const bool shown = size && (data[0] & 2);
    HostCall call(ScanRequest{300, 2, false, shown, 0, ""}, effects, kLargest);
    WireReader reader;
    // Chunks of a size the input chooses, drained in between as the control does.
    const std::size_t chunk = size ? data[size - 1] % 64 + 1 : 1;
    for (std::size_t at = 0; at < size && call.state() == HostCall::State::waiting; at += chunk) {
        reader.feed(data + at, std::min(chunk, size - at));
        Message m;
        while (call.state() == HostCall::State::waiting && reader.next(m) == WireReader::Next::message) {
            const std::vector<std::uint8_t> frame = encode(m);
            WireReader again;
            Message m2;
            again.feed(frame.data(), frame.size());
            if (again.next(m2) != WireReader::Next::message || encode(m2) != frame) std::abort();
            call.on_message(m);
        }
    }
    if (call.page_taken() != (effects.pages_taken == 1)) std::abort();
    if (call.state() != HostCall::State::waiting && (effects.dialog || call.dialog_is_up())) std::abort();
    return 0;
}
