// The control's side of a call through the helper: the section a page
// needs, the check of what the helper wrote there, and which conversations
// finish and which end as a violation (the helper is then stopped and the
// picture kept).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "twain/bridge/host_call.h"
#include "twain/bridge/page_section.h"

namespace korvix::twain::bridge {
namespace {

using lines = std::vector<std::string>;

TEST(PageSection, PlansOnlyPagesTheHelperMaySend) {
    struct plan_case {
        std::int32_t width, height;
        std::uint16_t bits;
        std::uint32_t entries;
        std::uint64_t section_bytes;  // 0: refused
    };
    const plan_case cases[] = {
        {2480, 3508, 24, 0, 40 + 7440ull * 3508},         // A4, 300 dpi, colour
        {9921, 14031, 24, 0, 40 + 29764ull * 14031},      // A4, 1200 dpi: 417.6 MB
        {1, 1, 1, 2, 40 + 8 + 4},                         // one pixel, rows padded to 4 bytes
        {33, 2, 1, 1, 40 + 4 + 8 * 2},                    // a table shorter than the depth allows
        {5, 1, 4, 16, 40 + 64 + 4},
        {100, 10, 8, 256, 40 + 1024 + 1000},
        {100, 10, 16, 0, 0},                              // 16/32 bits arrive as 24
        {100, 10, 32, 0, 0},
        {100, 10, 2, 4, 0},
        {100, 10, 8, 0, 0},                               // a palette page without its table
        {100, 10, 8, 257, 0},
        {100, 10, 1, 3, 0},
        {100, 10, 24, 1, 0},                              // a table on a colour page
        {0, 10, 24, 0, 0},
        {10, -10, 24, 0, 0},                              // always bottom-up
        {65536, 65536, 24, 0, 0},                         // past 4 GiB
        {0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 0},
    };
    for (const plan_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.bits));
        const auto plan = plan_page_section(PageReady{c.width, c.height, c.bits, c.entries, 0, 0, 0});
        ASSERT_EQ(plan.has_value(), c.section_bytes != 0);
        if (!plan) continue;
        EXPECT_EQ(plan->section_bytes, c.section_bytes);
        EXPECT_EQ(plan->pixel_offset, 40u + 4 * c.entries);
        EXPECT_EQ(plan->pixel_offset % 4, 0u);
    }
    // The control's own limit.
    EXPECT_FALSE(plan_page_section(PageReady{100, 100, 24, 0, 0, 0, 0}, 40 + 300 * 100 - 1));
    EXPECT_TRUE(plan_page_section(PageReady{100, 100, 24, 0, 0, 0, 0}, 40 + 300 * 100));
}

// A section as the helper writes it, then tampered with as a row says.
TEST(PageSection, TheControlTakesOnlyTheAnnouncedPage) {
    const PageSection plan = *plan_page_section(PageReady{7, 3, 8, 5, 0, 0, 0});
    const std::uint8_t palette[20] = {1, 2, 3, 0, 4, 5, 6, 0};
    struct tamper_case {
        const char* name;
        std::size_t at;  // byte of the section set to value
        std::uint8_t value;
        bool taken;
    };
    const tamper_case cases[] = {
        {"as written", 0, 40, true},
        {"pixels are the helper's to choose", plan.pixel_offset + 3, 0xEE, true},
        {"a larger header", 0, 52, false},
        {"another width", 4, 8, false},
        {"top-down", 11, 0xFF, false},
        {"another depth", 14, 4, false},
        {"bit fields", 16, 3, false},
        {"a longer colour table", 32, 6, false},
        {"a table too long for the section", 32, 200, false},
    };
    for (const tamper_case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> section(plan.section_bytes, 0x5A);
        write_page_header(section.data(), plan, 11811, 11811, palette);
        section[c.at] = c.value;
        EXPECT_EQ(section_holds_page(section.data(), section.size(), plan), c.taken);
    }
    std::vector<std::uint8_t> section(plan.section_bytes + 1);
    write_page_header(section.data(), plan, 0, 0, nullptr);
    EXPECT_FALSE(section_holds_page(section.data(), section.size(), plan)) << "a section of another size";
    EXPECT_TRUE(section_holds_page(section.data(), plan.section_bytes, plan));
}

// The platform side, recorded.
class recorded final : public HostCall::Effects {
public:
    lines log;
    std::uint32_t handle = 0x1C4;  // what grant_section gives
    bool page_ok = true;
    bool send_ok = true;

    bool send(const Message& m) override {
        const char* names[] = {"scan", "choose", "list", "grant", "cancel"};
        std::string line = "send " + std::string(m.index() < 5 ? names[m.index()] : "?");
        if (const auto* g = std::get_if<SectionGrant>(&m)) line += " " + std::to_string(g->handle);
        log.push_back(line);
        return send_ok;
    }
    std::uint32_t grant_section(const PageSection& plan) override {
        log.push_back("section " + std::to_string(plan.section_bytes));
        return handle;
    }
    bool take_page(const PageSection&, const PageReady& page) override {
        log.push_back("take " + std::to_string(page.resolution_sent));
        return page_ok;
    }
    void dialog_up(bool up) override { log.push_back(up ? "disable host" : "enable host"); }
};

const Message kHello = Hello{kProtocolVersion};
const PageReady kPage{10, 2, 24, 0, 0, 0, 150};  // a 10 x 2 colour page: 40 + 32 x 2 bytes
const Message kDone = Done{CallStatus::done, "Flatbed"};
const ScanRequest kScan{150, 2, false, false, 0x10, ""};
const ScanRequest kScanShown{150, 2, false, true, 0x10, ""};

TEST(HostCall, ConversationsFinishOrEndAsAViolation) {
    using State = HostCall::State;
    struct call_case {
        const char* name;
        Message request;
        std::vector<Message> messages;
        State state;
        lines log;
        bool page_taken = false;
        void (*setup)(recorded&) = nullptr;
    };
    const lines scan_page = {"send scan", "section 104", "send grant 452", "take 150"};
    const call_case cases[] = {
        {"a page", kScan, {kHello, Beat{}, kPage, PageWritten{}, Beat{}, kDone}, State::finished, scan_page, true},
        {"a page through the source's dialog", kScanShown,
         {kHello, UiShown{}, Beat{}, UiHidden{}, kPage, PageWritten{}, kDone}, State::finished,
         {"send scan", "disable host", "enable host", "section 104", "send grant 452", "take 150"}, true},
        {"the dialog closed without a page", kScanShown, {kHello, UiShown{}, UiHidden{}, kDone}, State::finished,
         {"send scan", "disable host", "enable host"}},
        {"done with the dialog still up: the host is enabled again", kScanShown, {kHello, UiShown{}, kDone},
         State::finished, {"send scan", "disable host", "enable host"}},
        {"no section for the page: refused, the helper fails the scan", kScan,
         {kHello, kPage, Done{CallStatus::failed, ""}}, State::finished,
         {"send scan", "section 104", "send grant 0"}, false, [](recorded& r) { r.handle = 0; }},
        {"the chooser", ChooseRequest{0x10}, {kHello, UiShown{}, UiHidden{}, kDone}, State::finished,
         {"send choose", "disable host", "enable host"}},
        {"a list", ListRequest{}, {kHello, SourceList{{"A", "B"}}, kDone}, State::finished, {"send list"}},
        {"no source manager in the helper", ListRequest{}, {kHello, Done{CallStatus::no_source_manager, ""}},
         State::finished, {"send list"}},
        // Violations: nothing more is done, and a dialog's host is enabled again.
        {"another protocol version", kScan, {Hello{kProtocolVersion + 1}}, State::violated, {}},
        {"anything before hello", kScan, {Beat{}}, State::violated, {}},
        {"hello twice", kScan, {kHello, kHello}, State::violated, {"send scan"}},
        {"a request from the helper", kScan, {kHello, Cancel{}}, State::violated, {"send scan"}},
        {"a dialog where none may be", kScan, {kHello, UiShown{}}, State::violated, {"send scan"}},
        {"a dialog in a list", ListRequest{}, {kHello, UiShown{}}, State::violated, {"send list"}},
        {"a dialog shown twice", kScanShown, {kHello, UiShown{}, UiShown{}}, State::violated,
         {"send scan", "disable host", "enable host"}},
        {"a dialog hidden that was never shown", kScanShown, {kHello, UiHidden{}}, State::violated, {"send scan"}},
        {"a page in the chooser", ChooseRequest{}, {kHello, kPage}, State::violated, {"send choose"}},
        {"a second page", kScan, {kHello, kPage, PageWritten{}, kPage}, State::violated, scan_page, true},
        {"a page announced that cannot be", kScan, {kHello, PageReady{10, 2, 16, 0, 0, 0, 0}, PageWritten{}},
         State::violated, {"send scan", "send grant 0"}},
        {"written without a section", kScan, {kHello, PageWritten{}}, State::violated, {"send scan"}},
        {"written into a refused section", kScan, {kHello, kPage, PageWritten{}}, State::violated,
         {"send scan", "section 104", "send grant 0"}, false, [](recorded& r) { r.handle = 0; }},
        {"the section does not hold the page", kScan, {kHello, kPage, PageWritten{}}, State::violated, scan_page,
         false, [](recorded& r) { r.page_ok = false; }},
        {"done before the granted page was written", kScan, {kHello, kPage, kDone}, State::violated,
         {"send scan", "section 104", "send grant 452"}},
        {"a list in a scan", kScan, {kHello, SourceList{}}, State::violated, {"send scan"}},
        {"two lists", ListRequest{}, {kHello, SourceList{}, SourceList{}}, State::violated, {"send list"}},
        {"the pipe breaks on the request", kScan, {kHello}, State::violated, {"send scan"}, false,
         [](recorded& r) { r.send_ok = false; }},
    };
    for (const call_case& c : cases) {
        SCOPED_TRACE(c.name);
        recorded effects;
        if (c.setup) c.setup(effects);
        HostCall call(c.request, effects);
        for (const Message& m : c.messages) call.on_message(m);
        EXPECT_EQ(call.state(), c.state);
        EXPECT_EQ(effects.log, c.log);
        EXPECT_EQ(call.page_taken(), c.page_taken);
        EXPECT_FALSE(call.dialog_is_up());
        // Whatever comes after the end changes nothing.
        call.on_message(kPage);
        EXPECT_EQ(call.state(), c.state);
        EXPECT_EQ(effects.log, c.log);
    }
}

TEST(HostCall, TheEndTellsStatusSourceAndList) {
    recorded effects;
    HostCall list(ListRequest{}, effects);
    for (const Message& m : std::vector<Message>{kHello, SourceList{{"A", "B"}}, Done{CallStatus::failed, "B"}})
        list.on_message(m);
    EXPECT_EQ(list.sources(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(list.status(), CallStatus::failed);
    EXPECT_EQ(list.source(), "B");

    HostCall scan(kScan, effects);
    for (const Message& m : std::vector<Message>{kHello, kPage, PageWritten{}, kDone}) scan.on_message(m);
    EXPECT_EQ(scan.status(), CallStatus::done);
    EXPECT_EQ(scan.page().resolution_sent, 150);
    EXPECT_EQ(scan.source(), "Flatbed");
}

}  // namespace
}  // namespace korvix::twain::bridge
