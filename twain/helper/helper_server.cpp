#include "twain/helper/helper_server.h"

#include "common/win/unique_resource.h"
#include "twain/helper/heartbeat.h"
#include "twain/helper/helper_platform.h"
#include "twain/helper/section_page_sink.h"
#include "twain/twain_driver.h"
#include "twain/win/win_platform.h"

namespace korvix::twain::helper {

namespace {

using bridge::CallStatus;

// One request's driver, on the platform pieces of the helper.
class Call {
public:
    Call(DsmEntry& dsm, PipeChannel& channel, Heartbeat& beat, std::uint32_t owner)
        : owner_(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner))),
          reporting_(dsm, channel, beat),
          pump_(channel, beat),
          windows_(owner_),
          driver_(reporting_, memory_, pump_, windows_),
          owning_(owner_) {}
    ~Call() { reporting_.end_call(); }

    TwainDriver& driver() noexcept { return driver_; }
    PipeWatchingPump& pump() noexcept { return pump_; }

private:
    HWND owner_;
    ReportingDsm reporting_;
    WinGlobalMemory memory_;
    PipeWatchingPump pump_;
    OwnedMessageWindows windows_;
    TwainDriver driver_;
    OwnerForNewWindows owning_;
};

CallStatus status_of(std::uint32_t driver_status) noexcept {
    return driver_status == 0 ? CallStatus::done : CallStatus::failed;
}

// Runs one request; a source manager that cannot be loaded ends it as such.
template <typename Body>
bridge::Done run(Body&& body) {
    bridge::Done done;
    try {
        done = body();
    } catch (const hresult_error&) {
        done = bridge::Done{CallStatus::no_source_manager, ""};
    }
    return done;
}

}  // namespace

int serve(PipeChannel& channel, DsmEntry& dsm) {
    Heartbeat beat(channel);
    if (!channel.send(bridge::Hello{bridge::kProtocolVersion})) return 1;
    for (;;) {
        bridge::Message request;
        PipeChannel::Poll got;
        do {
            beat.turned();
            got = channel.wait(request, 250);
        } while (got == PipeChannel::Poll::nothing);
        if (got != PipeChannel::Poll::message) return 0;  // the control is done with us
        bridge::Done done;
        if (const auto* scan = std::get_if<bridge::ScanRequest>(&request)) {
            done = run([&] {
                Call call(dsm, channel, beat, scan->owner);
                SectionPageSink sink(channel, beat, call.driver());
                call.driver().set_preferred_source(scan->source);
                const std::uint32_t status = call.driver().acquire(sink, scan->resolution, scan->color_type,
                                                                   scan->show_progress, scan->show_interface);
                return bridge::Done{status_of(status), call.driver().source_name()};
            });
        } else if (const auto* choose = std::get_if<bridge::ChooseRequest>(&request)) {
            done = run([&] {
                Call call(dsm, channel, beat, choose->owner);
                const std::uint32_t status = call.driver().choose_source();
                return bridge::Done{status_of(status), call.driver().source_name()};
            });
        } else if (std::holds_alternative<bridge::ListRequest>(request)) {
            done = run([&] {
                Call call(dsm, channel, beat, 0);
                std::vector<std::string> names;
                const std::uint32_t status = call.driver().list_sources(names);
                if (status == 0 && !channel.send(bridge::SourceList{names})) return bridge::Done{};
                return bridge::Done{status_of(status), ""};
            });
        } else if (std::holds_alternative<bridge::Cancel>(request)) {
            continue;  // a cancel that crossed the end of a call
        } else {
            return 1;  // not a request: this is no control of ours
        }
        if (!channel.send(done)) return 0;
    }
}

}  // namespace korvix::twain::helper
