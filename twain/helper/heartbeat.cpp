#include "twain/helper/heartbeat.h"

namespace korvix::twain::helper {

namespace {

constexpr DWORD kBeatMs = 250;
// A loop that has not turned for this long is stuck.
constexpr ULONGLONG kStuckMs = 2000;

}  // namespace

Heartbeat::Heartbeat(PipeChannel& channel)
    : channel_(channel), last_turn_(::GetTickCount64()), stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this] { run(); });
}

Heartbeat::~Heartbeat() {
    ::SetEvent(stop_.get());
    thread_.join();
}

void Heartbeat::run() {
    while (::WaitForSingleObject(stop_.get(), kBeatMs) == WAIT_TIMEOUT) {
        if (in_call_ > 0 || ::GetTickCount64() - last_turn_ < kStuckMs) channel_.send(bridge::Beat{});
    }
}

}  // namespace korvix::twain::helper
