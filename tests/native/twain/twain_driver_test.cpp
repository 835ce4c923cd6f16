// The driver against a scripted DSM: one row per protocol path, each with
// the exact requests in order, the status, whether the picture was replaced,
// and no global block leaked, freed twice or left locked.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/native/twain/scripted_platform.h"
#include "twain/twain_driver.h"

namespace korvix::twain {
namespace {

using test::event_turn;
using test::scripted_platform;
using lines = std::vector<std::string>;
using Wait = EventPump::Wait;

lines operator+(lines a, const lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const lines kOpen = {"WINDOW+", "OPENDSM", "OPENDS"};
const lines kClose = {"CLOSEDS 7", "CLOSEDSM", "WINDOW-"};
const lines kIndicators = {"SET CAP_INDICATORS BOOL 0"};
const lines kQuery = {"GET CAP_UICONTROLLABLE"};
const lines kLayout = {"GET ICAP_PHYSICALWIDTH", "GET ICAP_PHYSICALHEIGHT", "LAYOUT 0,0,8.5,11 000"};
const lines kDepth = {"SET ICAP_BITDEPTH UINT16 24"};
const lines kCount = {"SET CAP_XFERCOUNT INT16 1"};
const lines kTransfer = {"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "TAKE", "DISABLEDS"};
lines resolution(int dpi) {
    return {"SET ICAP_XRESOLUTION FIX32 " + std::to_string(dpi), "SET ICAP_YRESOLUTION FIX32 " + std::to_string(dpi)};
}
lines pixel_type(int type) { return {"SET ICAP_PIXELTYPE UINT16 " + std::to_string(type)}; }
lines enable(int show) { return {"ENABLEDS show=" + std::to_string(show) + " modal=1"}; }
// Up to the enable of a 300-dpi colour scan with progress hidden.
const lines kNegotiated = kOpen + kIndicators + kQuery + kLayout + resolution(300) + pixel_type(2) + kDepth + kCount;
const lines kFullScan = kNegotiated + enable(0) + kTransfer + kClose;

struct acquire_args {
    std::int16_t resolution = 300;
    std::int32_t color_type = 2;
    bool show_progress = false;
    bool show_interface = false;
};

struct acquire_case {
    const char* name;
    std::function<void(test::script&)> setup;
    acquire_args args;
    lines expected;
    std::uint32_t status;
    bool replaced;
};

void none(test::script&) {}

test::get_answer range_answer(TW_UINT16 type, TW_UINT32 current) {
    const TW_RANGE r{type, 0, 100, 1, 0, current};
    test::get_answer a;
    a.con_type = TWON_RANGE;
    a.container.resize(sizeof r);
    std::memcpy(a.container.data(), &r, sizeof r);
    return a;
}

test::get_answer enumeration_answer(const std::vector<TW_UINT16>& items, TW_UINT32 current) {
    const TW_ENUMERATION e{TWTY_BOOL, static_cast<TW_UINT32>(items.size()), current, 0};
    test::get_answer a;
    a.con_type = TWON_ENUMERATION;
    a.container.resize(sizeof e + 2 * items.size());
    std::memcpy(a.container.data(), &e, sizeof e);
    std::memcpy(a.container.data() + sizeof e, items.data(), 2 * items.size());
    return a;
}

TEST(TwainDriver, AcquirePaths) {
    const acquire_case cases[] = {
        {"full negotiation, colour, progress hidden", none, {}, kFullScan, 0, true},
        {"progress and interface shown, grey: no indicators, no bit depth", none, {150, 1, true, true},
         kOpen + kQuery + kLayout + resolution(150) + pixel_type(1) + kCount + enable(1) + kTransfer + kClose, 0, true},
        {"black and white: no bit depth", none, {300, 0, true, false},
         kOpen + kQuery + kLayout + resolution(300) + pixel_type(0) + kCount + enable(0) + kTransfer + kClose, 0, true},
        {"other colour types go out as their low 16 bits, without a bit depth", none, {300, 0x10002, true, false},
         kOpen + kQuery + kLayout + resolution(300) + pixel_type(2) + kCount + enable(0) + kTransfer + kClose, 0, true},
        {"out-of-range resolution sent as it is", none, {-5, 2, true, false},
         kOpen + kQuery + kLayout + resolution(-5) + pixel_type(2) + kDepth + kCount + enable(0) + kTransfer + kClose,
         0, true},
        {"interface not controllable: the source keeps its own settings",
         [](test::script& s) { s.gets[CAP_UICONTROLLABLE] = test::one_value(TWTY_BOOL, 0); }, {},
         kOpen + kIndicators + kQuery + enable(0) + kTransfer + kClose, 0, true},
        {"interface query refused: same as not controllable",
         [](test::script& s) { s.gets[CAP_UICONTROLLABLE] = test::get_answer{TWRC_FAILURE, TWON_ONEVALUE, {}}; }, {},
         kOpen + kIndicators + kQuery + enable(0) + kTransfer + kClose, 0, true},
        {"interface query answered in 4 bytes: not read, not controllable",
         [](test::script& s) { s.gets[CAP_UICONTROLLABLE].container.resize(4); }, {},
         kOpen + kIndicators + kQuery + enable(0) + kTransfer + kClose, 0, true},
        {"current values read from an enumeration and a range",
         [](test::script& s) {
             s.gets[CAP_UICONTROLLABLE] = enumeration_answer({0, 1}, 1);
             s.gets[ICAP_PHYSICALWIDTH] = range_answer(TWTY_FIX32, fix32_item(TW_FIX32{8, 0x8000}));
         },
         {}, kFullScan, 0, true},
        {"physical width 0: no layout, the scan goes on",
         [](test::script& s) { s.gets[ICAP_PHYSICALWIDTH] = test::fix32_value_answer(0); }, {},
         kOpen + kIndicators + kQuery + lines{"GET ICAP_PHYSICALWIDTH", "GET ICAP_PHYSICALHEIGHT"} + resolution(300) +
             pixel_type(2) + kDepth + kCount + enable(0) + kTransfer + kClose,
         0, true},
        {"layout answered with TWRC_CHECKSTATUS: accepted",
         [](test::script& s) { s.layout_rc = TWRC_CHECKSTATUS; }, {}, kFullScan, 0, true},
        {"layout refused: closed before enabling", [](test::script& s) { s.layout_rc = TWRC_FAILURE; }, {},
         kOpen + kIndicators + kQuery + kLayout + kClose, 1, false},
        {"physical width unknown: closed",
         [](test::script& s) { s.gets[ICAP_PHYSICALWIDTH] = test::get_answer{TWRC_FAILURE, TWON_ONEVALUE, {}}; }, {},
         kOpen + kIndicators + kQuery + lines{"GET ICAP_PHYSICALWIDTH"} + kClose, 1, false},
        {"X resolution refused: no Y, pixel type, bit depth or count, never enabled",
         [](test::script& s) { s.set_rc[ICAP_XRESOLUTION] = TWRC_FAILURE; }, {},
         kOpen + kIndicators + kQuery + kLayout + lines{"SET ICAP_XRESOLUTION FIX32 300"} + kClose, 1, false},
        {"Y resolution refused", [](test::script& s) { s.set_rc[ICAP_YRESOLUTION] = TWRC_CHECKSTATUS; }, {},
         kOpen + kIndicators + kQuery + kLayout + resolution(300) + kClose, 1, false},
        {"pixel type refused", [](test::script& s) { s.set_rc[ICAP_PIXELTYPE] = TWRC_FAILURE; }, {},
         kOpen + kIndicators + kQuery + kLayout + resolution(300) + pixel_type(2) + kClose, 1, false},
        {"bit depth refused: ignored", [](test::script& s) { s.set_rc[ICAP_BITDEPTH] = TWRC_FAILURE; }, {}, kFullScan,
         0, true},
        {"indicators refused: ignored", [](test::script& s) { s.set_rc[CAP_INDICATORS] = TWRC_FAILURE; }, {},
         kFullScan, 0, true},
        {"transfer count refused", [](test::script& s) { s.set_rc[CAP_XFERCOUNT] = TWRC_FAILURE; }, {},
         kNegotiated + kClose, 1, false},
        {"enable refused: nothing to disable", [](test::script& s) { s.enable_rc = TWRC_FAILURE; }, {},
         kNegotiated + enable(0) + kClose, 1, false},
        {"user closed the source: disabled, picture unchanged, done",
         [](test::script& s) { s.turns = {{Wait::message, MSG_CLOSEDSREQ, TWRC_DSEVENT}}; }, {},
         kNegotiated + enable(0) + lines{"PROCESSEVENT", "DISABLEDS"} + kClose, 0, false},
        {"host messages dispatched, messages the source consumed not",
         [](test::script& s) {
             s.turns = {{Wait::message, MSG_NULL, TWRC_NOTDSEVENT},
                        {Wait::message, MSG_NULL, TWRC_DSEVENT},
                        {Wait::message, MSG_CLOSEDSOK, TWRC_NOTDSEVENT},
                        {Wait::message, MSG_XFERREADY, TWRC_DSEVENT}};
         },
         {},
         kNegotiated + enable(0) + lines{"PROCESSEVENT", "DISPATCH", "PROCESSEVENT", "PROCESSEVENT", "DISPATCH"} +
             kTransfer + kClose,
         0, true},
        {"transfer cancelled with a handle: freed, ended, disabled",
         [](test::script& s) { s.xfer_rc = TWRC_CANCEL; }, {},
         kNegotiated + enable(0) + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "DISABLEDS"} + kClose, 1, false},
        {"transfer cancelled without a handle",
         [](test::script& s) {
             s.xfer_rc = TWRC_CANCEL;
             s.xfer_gives_handle = false;
         },
         {}, kNegotiated + enable(0) + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "DISABLEDS"} + kClose, 1, false},
        {"transfer failed", [](test::script& s) { s.xfer_rc = TWRC_FAILURE; }, {},
         kNegotiated + enable(0) + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "DISABLEDS"} + kClose, 1, false},
        {"end of transfer refused: the image is dropped",
         [](test::script& s) { s.endxfer_rc = TWRC_FAILURE; }, {},
         kNegotiated + enable(0) + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "DISABLEDS"} + kClose, 1, false},
        {"conversion failed with the handle still held: freed here",
         [](test::script& s) {
             s.sink_status = 1;
             s.sink_frees_dib = false;
         },
         {}, kFullScan, 1, false},
        {"conversion failed after freeing the handle: not freed twice",
         [](test::script& s) { s.sink_status = 1; }, {}, kFullScan, 1, false},
        {"disable refused after the image: picture kept, failed",
         [](test::script& s) { s.disable_rc = TWRC_FAILURE; }, {}, kFullScan, 1, true},
        {"further images pending: discarded before disabling",
         [](test::script& s) { s.pending_after_end = 2; }, {},
         kNegotiated + enable(0) + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "TAKE", "RESET", "DISABLEDS"} + kClose,
         0, true},
        {"images pending and disable refused",
         [](test::script& s) {
             s.pending_after_end = 1;
             s.disable_rc = TWRC_FAILURE;
         },
         {},
         kNegotiated + enable(0) + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "TAKE", "RESET", "DISABLEDS"} + kClose,
         1, true},
        {"quit message while waiting: disabled, failed, quit posted again after closing",
         [](test::script& s) {
             s.turns = {{Wait::message, MSG_NULL, TWRC_NOTDSEVENT}, {Wait::quit, MSG_NULL, TWRC_NOTDSEVENT, 3}};
         },
         {}, kNegotiated + enable(0) + lines{"PROCESSEVENT", "DISPATCH", "DISABLEDS"} + kClose + lines{"REQUIT 3"}, 1,
         false},
        {"the message queue fails: the wait ends", [](test::script& s) { s.turns = {{Wait::failed}}; }, {},
         kNegotiated + enable(0) + lines{"DISABLEDS"} + kClose, 1, false},
        {"DSM does not open", [](test::script& s) { s.open_dsm = TWRC_FAILURE; }, {},
         lines{"WINDOW+", "OPENDSM", "WINDOW-"}, 1, false},
        {"no source: the DSM is closed again", [](test::script& s) { s.open_ds = TWRC_FAILURE; }, {},
         lines{"WINDOW+", "OPENDSM", "OPENDS", "CLOSEDSM", "WINDOW-"}, 1, false},
        {"DSM refuses to close: picture kept, failed", [](test::script& s) { s.close_dsm = TWRC_FAILURE; }, {},
         kFullScan, 1, true},
        {"no message window: nothing opened", [](test::script& s) { s.window_created = false; }, {},
         lines{"WINDOW+"}, 1, false},
        {"message window not destroyed: failed", [](test::script& s) { s.window_destroyed = false; }, {}, kFullScan,
         1, true},
    };
    for (const acquire_case& c : cases) {
        SCOPED_TRACE(c.name);
        test::script s;
        c.setup(s);
        scripted_platform p(s);
        TwainDriver driver(p, p, p, p);
        const std::uint32_t status = driver.acquire(p, c.args.resolution, c.args.color_type, c.args.show_progress,
                                                    c.args.show_interface);
        EXPECT_EQ(p.trace, c.expected);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(p.picture_replaced, c.replaced);
        EXPECT_EQ(p.faults, lines{});
        EXPECT_EQ(p.live_blocks(), 0u) << "global blocks leaked";
        EXPECT_FALSE(driver.busy());
    }
}

TEST(TwainDriver, ChooseSourcePaths) {
    const lines chosen = {"WINDOW+", "OPENDSM", "OPENDS", "USERSELECT", "CLOSEDS 7", "CLOSEDSM", "WINDOW-"};
    const acquire_case cases[] = {
        // The identity that was opened is closed, not the one the user chose.
        {"user chose a source", none, {}, chosen, 0, false},
        {"user cancelled", [](test::script& s) { s.user_select = TWRC_CANCEL; }, {}, chosen, 1, false},
        {"no source", [](test::script& s) { s.open_ds = TWRC_FAILURE; }, {},
         lines{"WINDOW+", "OPENDSM", "OPENDS", "CLOSEDSM", "WINDOW-"}, 1, false},
        {"DSM refuses to close", [](test::script& s) { s.close_dsm = TWRC_FAILURE; }, {}, chosen, 1, false},
    };
    for (const acquire_case& c : cases) {
        SCOPED_TRACE(c.name);
        test::script s;
        c.setup(s);
        scripted_platform p(s);
        TwainDriver driver(p, p, p, p);
        EXPECT_EQ(driver.choose_source(), c.status);
        EXPECT_EQ(p.trace, c.expected);
        EXPECT_EQ(p.faults, lines{});
        EXPECT_EQ(p.live_blocks(), 0u);
    }
}

TEST(TwainDriver, PresentsTheApplicationIdentity) {
    scripted_platform p(test::script{});
    TwainDriver driver(p, p, p, p);
    ASSERT_EQ(driver.acquire(p, 300, 2, true, false), 0u);
    const TW_IDENTITY& id = driver.app_identity();
    EXPECT_EQ(id.Version.MajorNum, 1);
    EXPECT_EQ(id.Version.MinorNum, 0);
    EXPECT_EQ(id.Version.Language, TWLG_USA);
    EXPECT_EQ(id.Version.Country, TWCY_USA);
    EXPECT_EQ(std::string(id.Version.Info), "");
    EXPECT_EQ(id.ProtocolMajor, 1);
    EXPECT_EQ(id.ProtocolMinor, 9);
    EXPECT_EQ(+id.SupportedGroups, 3u);
    EXPECT_EQ(std::string(id.Manufacturer), "Oderic Valdane");
    EXPECT_EQ(std::string(id.ProductFamily), "Quillon");
    EXPECT_EQ(std::string(id.ProductName), "Valdane Twain ActiveX");
    // Every text field is zero-filled past its text.
    const char* fields[] = {id.Version.Info, id.Manufacturer, id.ProductFamily, id.ProductName};
    for (const char* f : fields)
        for (std::size_t i = std::strlen(f); i < sizeof(TW_STR32); ++i) EXPECT_EQ(f[i], 0);
    EXPECT_EQ(driver.resolution_sent(), 300);
}

TEST(TwainDriver, ResolutionSentOnlyWhenTheSourceTakesSettings) {
    test::script s;
    s.gets[CAP_UICONTROLLABLE] = test::one_value(TWTY_BOOL, 0);
    scripted_platform p(s);
    TwainDriver driver(p, p, p, p);
    ASSERT_EQ(driver.acquire(p, 300, 2, true, false), 0u);
    EXPECT_EQ(driver.resolution_sent(), 0);
}

// A handler run by the nested loop calls Scan or SelectSource again: both
// return at once without a DSM request, and the running scan completes.
TEST(TwainDriver, CallsFromInsideTheLoopAreRefused) {
    test::script s;
    s.turns = {{Wait::message, MSG_NULL, TWRC_NOTDSEVENT}, {Wait::message, MSG_XFERREADY, TWRC_DSEVENT}};
    scripted_platform p(s);
    TwainDriver driver(p, p, p, p);
    std::uint32_t inner_acquire = 99, inner_choose = 99;
    std::size_t trace_before = 0, trace_after = 0;
    p.on_dispatch = [&] {
        trace_before = p.trace.size();
        inner_acquire = driver.acquire(p, 100, 0, true, true);
        inner_choose = driver.choose_source();
        trace_after = p.trace.size();
    };
    EXPECT_EQ(driver.acquire(p, 300, 2, false, false), 0u);
    EXPECT_EQ(inner_acquire, 1u);
    EXPECT_EQ(inner_choose, 1u);
    EXPECT_EQ(trace_after, trace_before) << "the refused calls made no request";
    EXPECT_TRUE(p.picture_replaced);
    EXPECT_EQ(p.faults, lines{});
    EXPECT_EQ(p.live_blocks(), 0u);
}

// The DSM library cannot be bound: the error reaches the caller, the window
// is gone, and the driver can be used again.
TEST(TwainDriver, UnboundLibraryRaisesAndCleansUp) {
    test::script s;
    s.throw_at_first_call = true;
    scripted_platform p(s);
    TwainDriver driver(p, p, p, p);
    EXPECT_THROW(driver.acquire(p, 300, 2, false, false), std::runtime_error);
    EXPECT_EQ(p.trace, (lines{"WINDOW+", "WINDOW-"}));
    EXPECT_FALSE(driver.busy());
    EXPECT_EQ(driver.choose_source(), 0u);
    EXPECT_EQ(p.faults, lines{});
}

}  // namespace
}  // namespace korvix::twain
