#include "twain/bridge/host_call.h"

#include <utility>

namespace korvix::twain::bridge {

HostCall::HostCall(Message request, Effects& effects, std::uint64_t largest)
    : request_(std::move(request)), effects_(effects), largest_(largest) {}

HostCall::State HostCall::violate() {
    set_dialog(false);
    return state_ = State::violated;
}

void HostCall::set_dialog(bool up) {
    if (dialog_up_ == up) return;
    dialog_up_ = up;
    effects_.dialog_up(up);
}

// The source's dialog when the host asked for it, and the chooser.
bool HostCall::may_show_dialog() const noexcept {
    if (const auto* scan = std::get_if<ScanRequest>(&request_)) return scan->show_interface;
    return std::holds_alternative<ChooseRequest>(request_);
}

HostCall::State HostCall::on_message(const Message& message) {
    if (state_ != State::waiting) return state_;
    if (!hello_) {
        const auto* hello = std::get_if<Hello>(&message);
        if (!hello || hello->version != kProtocolVersion) return violate();
        hello_ = true;
        return effects_.send(request_) ? state_ : violate();
    }
    if (std::holds_alternative<Beat>(message)) return state_;
    if (std::holds_alternative<UiShown>(message) || std::holds_alternative<UiHidden>(message)) {
        const bool up = std::holds_alternative<UiShown>(message);
        if (up == dialog_up_ || (up && !may_show_dialog())) return violate();
        set_dialog(up);
        return state_;
    }
    if (const auto* page = std::get_if<PageReady>(&message)) return on_page_ready(*page);
    if (std::holds_alternative<PageWritten>(message)) return on_page_written();
    if (const auto* list = std::get_if<SourceList>(&message)) {
        if (!std::holds_alternative<ListRequest>(request_) || listed_) return violate();
        listed_ = true;
        sources_ = list->names;
        return state_;
    }
    if (const auto* done = std::get_if<Done>(&message)) return on_done(*done);
    return violate();  // a request, or a second hello
}

HostCall::State HostCall::on_page_ready(const PageReady& page) {
    if (!std::holds_alternative<ScanRequest>(request_) || page_state_ != Page::none) return violate();
    page_ = page;
    plan_ = plan_page_section(page, largest_);
    std::uint32_t handle = 0;
    if (plan_) handle = effects_.grant_section(*plan_);
    page_state_ = handle ? Page::granted : Page::refused;
    const SectionGrant grant{handle, handle ? plan_->section_bytes : 0};
    return effects_.send(grant) ? state_ : violate();
}

HostCall::State HostCall::on_page_written() {
    if (page_state_ != Page::granted) return violate();
    if (!effects_.take_page(*plan_, page_)) return violate();
    page_state_ = Page::taken;
    page_taken_ = true;
    return state_;
}

HostCall::State HostCall::on_done(const Done& done) {
    // A page granted but never written: the helper broke off mid-page.
    if (page_state_ == Page::granted) return violate();
    status_ = done.status;
    source_ = done.source;
    set_dialog(false);
    return state_ = State::finished;
}

}  // namespace korvix::twain::bridge
