// The control's side of one call through the helper, as a conversation:
// which message may come when, and what the control does with it. The
// helper is not trusted: a message out of turn, a version that differs, or
// a page that is not what it announced ends the call as a violation, and
// the caller then stops the helper and leaves the picture as it was.
//
//   helper: Hello(version)             control: the request
//   helper: Beat...                    (alive)
//   helper: UiShown ... UiHidden       (a dialog is up; only where one may be)
//   helper: PageReady                  control: SectionGrant (scan only, once)
//   helper: PageWritten                control: checks the section, takes the page
//   helper: SourceList                 (list only, once)
//   helper: Done(status, source)       the end
//
// Portable: the platform's part comes in through Effects, so every sequence
// is tested natively and the whole conversation is fuzzed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "twain/bridge/page_section.h"
#include "twain/bridge/wire_format.h"

namespace korvix::twain::bridge {

class HostCall {
public:
    enum class State { waiting, finished, violated };

    class Effects {
    public:
        virtual bool send(const Message& message) = 0;
        // A section of plan.section_bytes duplicated into the helper: its
        // handle value there, or 0 when none could be made.
        virtual std::uint32_t grant_section(const PageSection& plan) = 0;
        // Checks the written section against plan and makes the picture
        // the call hands over if it finishes; false when the section does
        // not hold the announced page. Nothing is handed over from a call
        // that ends in a violation, even after this.
        virtual bool take_page(const PageSection& plan, const PageReady& page) = 0;
        // The host's window is disabled while a dialog of the helper is up.
        virtual void dialog_up(bool up) = 0;

    protected:
        ~Effects() = default;
    };

    // request: a ScanRequest, ChooseRequest or ListRequest; sent once the
    // helper said hello in this protocol's version. largest: the biggest
    // section the control will make.
    HostCall(Message request, Effects& effects, std::uint64_t largest = kLargestPageSection);

    State on_message(const Message& message);
    State state() const noexcept { return state_; }
    // A dialog is up: the helper may be silent for as long as the user takes.
    bool dialog_is_up() const noexcept { return dialog_up_; }
    bool said_hello() const noexcept { return hello_; }

    // Once finished:
    CallStatus status() const noexcept { return status_; }
    bool page_taken() const noexcept { return page_taken_; }
    const PageReady& page() const noexcept { return page_; }
    const std::string& source() const noexcept { return source_; }
    const std::vector<std::string>& sources() const noexcept { return sources_; }

private:
    State violate();
    State on_page_ready(const PageReady& page);
    State on_page_written();
    State on_done(const Done& done);
    void set_dialog(bool up);
    bool may_show_dialog() const noexcept;

    Message request_;
    Effects& effects_;
    std::uint64_t largest_;
    State state_ = State::waiting;
    bool hello_ = false;
    bool dialog_up_ = false;
    bool listed_ = false;
    enum class Page { none, granted, refused, taken } page_state_ = Page::none;
    std::optional<PageSection> plan_;
    PageReady page_;
    bool page_taken_ = false;
    CallStatus status_ = CallStatus::failed;
    std::string source_;
    std::vector<std::string> sources_;
};

}  // namespace korvix::twain::bridge
