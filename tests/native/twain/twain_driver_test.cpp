// The driver against a scripted platform: one fake plays the DSM, the
// source, global memory, the event pump, the message window and the picture
// sink. It answers as the row's script says, records every request as a line
// of a trace, and notes every misuse of the protocol or of a global block.
// One row per protocol path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "twain/twain_driver.h"

namespace korvix::twain {
namespace {

using lines = std::vector<std::string>;
using Wait = EventPump::Wait;

struct get_answer {  // a MSG_GET's return code and container (none when empty)
    TW_UINT16 rc = TWRC_SUCCESS;
    TW_UINT16 con_type = TWON_ONEVALUE;
    std::vector<std::uint8_t> bytes;
};
template <typename T>
get_answer container(TW_UINT16 con_type, const T& record, std::size_t extra_bytes = 0) {
    get_answer a{TWRC_SUCCESS, con_type, std::vector<std::uint8_t>(sizeof record + extra_bytes)};
    std::memcpy(a.bytes.data(), &record, sizeof record);
    return a;
}
get_answer one(TW_UINT16 type, TW_UINT32 item) { return container(TWON_ONEVALUE, TW_ONEVALUE{type, item}); }
get_answer fix(double v) { return one(TWTY_FIX32, fix32_item(fix32_of(v))); }
const get_answer kRefused{TWRC_FAILURE, TWON_ONEVALUE, {}};

// One turn of the event loop: what wait() gives, what the source makes of it.
struct turn {
    Wait wait = Wait::message;
    TW_UINT16 tw_message = MSG_NULL;
    TW_UINT16 rc = TWRC_NOTDSEVENT;
    int quit_code = 0;
};

struct script {
    std::map<std::string, TW_UINT16> rc;  // by trace line; success (a native transfer: done) when absent
    std::map<TW_UINT16, get_answer> gets{
        {CAP_UICONTROLLABLE, one(TWTY_BOOL, 1)}, {ICAP_PHYSICALWIDTH, fix(8.5)}, {ICAP_PHYSICALHEIGHT, fix(11)}};
    std::vector<turn> turns{{Wait::message, MSG_XFERREADY, TWRC_DSEVENT}};
    TW_UINT16 pending_after_end = 0;
    bool xfer_gives_handle = true;
    bool sink_frees_dib = true;  // DibToPicture's; it must when it succeeds
};

std::string cap_name(TW_UINT16 cap) {
    static const std::map<TW_UINT16, const char*> names = {
        {CAP_INDICATORS, "INDICATORS"}, {CAP_UICONTROLLABLE, "UICONTROLLABLE"}, {ICAP_PHYSICALWIDTH, "WIDTH"},
        {ICAP_PHYSICALHEIGHT, "HEIGHT"}, {ICAP_XRESOLUTION, "XRES"},            {ICAP_YRESOLUTION, "YRES"},
        {ICAP_PIXELTYPE, "PIXELTYPE"},  {ICAP_BITDEPTH, "BITDEPTH"},            {CAP_XFERCOUNT, "XFERCOUNT"}};
    const auto it = names.find(cap);
    return it == names.end() ? std::to_string(cap) : it->second;
}

std::string number(TW_FIX32 v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", fix32_value(v));
    return text;
}

class scripted final : public DsmEntry, public GlobalMemory, public EventPump, public MessageWindows, public ImageSink {
public:
    explicit scripted(script s) : s_(std::move(s)) {}

    lines trace;
    lines faults;  // misuse of the protocol or of memory
    bool picture_replaced = false;
    TW_IDENTITY identity{};  // as MSG_OPENDSM received it
    std::function<void()> on_dispatch;
    std::size_t live_blocks() const noexcept { return blocks_.size(); }

    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data) override {
        if (!app_) app_ = origin;
        if (origin != app_) faults.push_back("origin is not the application identity");
        const bool parent = msg == MSG_OPENDSM || msg == MSG_CLOSEDSM;
        const bool image = dat == DAT_IMAGELAYOUT || dat == DAT_IMAGENATIVEXFER;
        if (dg != (image ? DG_IMAGE : DG_CONTROL) || (!dest && dat != (parent ? DAT_PARENT : DAT_IDENTITY)))
            faults.push_back("wrong data group or type for message " + std::to_string(msg));
        if (!dest) return to_dsm(msg, data);
        if (dest->Id != kOpened) faults.push_back("request to another source than the one opened");
        return to_source(dg, dat, msg, data);
    }

    TW_HANDLE alloc_zeroed(std::size_t bytes) noexcept override {
        const auto h = reinterpret_cast<TW_HANDLE>(++handles_);
        blocks_[h] = block{std::vector<std::uint8_t>(bytes)};
        return h;
    }
    void* lock(TW_HANDLE h) noexcept override {
        block* b = find(h, "lock");
        return b ? (++b->locks, b->bytes.data()) : nullptr;
    }
    void unlock(TW_HANDLE h) noexcept override {
        block* b = find(h, "unlock");
        if (b && b->locks-- == 0) faults.push_back("unbalanced unlock");
    }
    bool free(TW_HANDLE h) noexcept override {
        block* b = find(h, "free");
        if (b && b->locks) faults.push_back("free of a locked block");
        return b && blocks_.erase(h);
    }
    std::size_t size(TW_HANDLE h) noexcept override { return find(h, "size") ? blocks_[h].bytes.size() : 0; }

    Wait wait() noexcept override {
        if (turn_ == s_.turns.size()) return faults.push_back("waited past the script"), Wait::failed;
        return s_.turns[turn_++].wait;
    }
    void* message() noexcept override { return &message_; }
    int quit_code() const noexcept override { return s_.turns[turn_ - 1].quit_code; }
    void dispatch() noexcept override {
        trace.push_back("DISPATCH");
        if (on_dispatch) on_dispatch();
    }
    void repost_quit(int code) noexcept override { trace.push_back("REQUIT " + std::to_string(code)); }

    TW_HANDLE create() noexcept override { return answer("WINDOW+") == TWRC_SUCCESS ? &window_ : nullptr; }
    bool destroy(TW_HANDLE w) noexcept override {
        if (w != &window_) faults.push_back("destroying another window");
        return answer("WINDOW-") == TWRC_SUCCESS;
    }

    TW_UINT32 take(TW_HANDLE& dib) noexcept override {  // 0: the picture was replaced, 1 (TWRC_FAILURE): not
        find(dib, "DibToPicture");
        if (s_.sink_frees_dib && free(dib)) dib = nullptr;
        const TW_UINT16 status = answer("TAKE");
        picture_replaced = status == TWRC_SUCCESS;
        return status;
    }
    void release(TW_HANDLE& image) noexcept override {
        if (image && !free(image)) faults.push_back("release of an image that is not a live block");
        image = nullptr;
    }

private:
    struct block {
        std::vector<std::uint8_t> bytes;
        int locks = 0;
    };
    // Records the request and answers as the script says, else as given.
    TW_UINT16 answer(const std::string& line, TW_UINT16 otherwise = TWRC_SUCCESS) {
        trace.push_back(line);
        const auto it = s_.rc.find(line);
        return it == s_.rc.end() ? otherwise : it->second;
    }
    block* find(TW_HANDLE h, const char* use) {
        const auto it = blocks_.find(h);
        if (it == blocks_.end()) faults.push_back(std::string(use) + " of an unknown block");
        return it == blocks_.end() ? nullptr : &it->second;
    }

    TW_UINT16 to_dsm(TW_UINT16 msg, TW_MEMREF data) {
        auto& id = *static_cast<TW_IDENTITY*>(data);
        const TW_IDENTITY zero{};
        switch (msg) {
        case MSG_OPENDSM:
        case MSG_CLOSEDSM:
            if (*static_cast<TW_HANDLE*>(data) != &window_) faults.push_back("DAT_PARENT without the message window");
            if (msg == MSG_OPENDSM) identity = *app_;
            return answer(msg == MSG_OPENDSM ? "OPENDSM" : "CLOSEDSM");
        case MSG_GETDEFAULT: {
            const TW_UINT16 rc = answer("GETDEFAULT");
            if (rc == TWRC_SUCCESS) id = TW_IDENTITY{}, set_text(id.ProductName, kDefault);
            return rc;
        }
        case MSG_OPENDS:
        case MSG_USERSELECT: {
            // The default source is opened by an all-zero identity, or by
            // the one MSG_GETDEFAULT gave.
            std::string line = msg == MSG_OPENDS ? "OPENDS" : "USERSELECT";
            if (msg == MSG_OPENDS && std::memcmp(&id, &zero, sizeof zero) != 0) {
                if (std::strcmp(id.ProductName, kDefault) != 0 || id.Id != 0)
                    faults.push_back("MSG_OPENDS without a zero or the default identity");
                line += std::string(" ") + id.ProductName;
            }
            const TW_UINT16 rc = answer(line);
            if (rc == TWRC_SUCCESS) id.Id = msg == MSG_OPENDS ? kOpened : kOpened + 1;  // the user chose another
            return rc;
        }
        case MSG_CLOSEDS:
            return answer("CLOSEDS " + std::to_string(id.Id), id.Id == kOpened ? TWRC_SUCCESS : TWRC_FAILURE);
        }
        faults.push_back("unexpected DSM request " + std::to_string(msg));
        return TWRC_FAILURE;
    }

    TW_UINT16 capability(TW_UINT16 msg, TW_CAPABILITY& cap) {
        if (cap.ConType != TWON_ONEVALUE) faults.push_back("capability request without TWON_ONEVALUE");
        if (msg == MSG_GET) {
            trace.push_back("GET " + cap_name(cap.Cap));
            const auto it = s_.gets.find(cap.Cap);
            if (it == s_.gets.end()) return TWRC_FAILURE;
            if (!it->second.bytes.empty()) {
                const TW_HANDLE h = alloc_zeroed(it->second.bytes.size());
                std::memcpy(blocks_[h].bytes.data(), it->second.bytes.data(), it->second.bytes.size());
                cap.hContainer = h;
                cap.ConType = it->second.con_type;
            }
            return it->second.rc;
        }
        const block* b = find(cap.hContainer, "MSG_SET");
        if (!b || b->bytes.size() != sizeof(TW_ONEVALUE) || b->locks) {
            faults.push_back("MSG_SET without an unlocked 6-byte container");
            return TWRC_FAILURE;
        }
        TW_ONEVALUE v;
        std::memcpy(&v, b->bytes.data(), sizeof v);
        if (v.ItemType != TWTY_FIX32 && (v.Item >> 16) != 0) faults.push_back("16-bit item with a high half");
        const char* type = v.ItemType == TWTY_BOOL ? "BOOL " : v.ItemType == TWTY_UINT16 ? "UINT16 " : "INT16 ";
        return answer("SET " + cap_name(cap.Cap) + " " +
                      (v.ItemType == TWTY_FIX32 ? "FIX32 " + number(fix32_from_item(v.Item))
                                                : type + std::to_string(static_cast<TW_INT16>(v.Item))));
    }

    TW_UINT16 to_source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        if (dat == DAT_CAPABILITY) return capability(msg, *static_cast<TW_CAPABILITY*>(data));
        if (dg == DG_IMAGE && dat == DAT_IMAGELAYOUT && msg == MSG_SET) {
            const auto& l = *static_cast<TW_IMAGELAYOUT*>(data);
            return answer("LAYOUT " + number(l.Frame.Left) + "," + number(l.Frame.Top) + "," + number(l.Frame.Right) +
                          "," + number(l.Frame.Bottom) + " " +
                          std::to_string(l.DocumentNumber + l.PageNumber + l.FrameNumber));
        }
        if (dat == DAT_USERINTERFACE && (msg == MSG_ENABLEDS || msg == MSG_DISABLEDS)) {
            const auto* ui = static_cast<const TW_USERINTERFACE*>(data);
            if (msg == MSG_ENABLEDS) {
                if (ui->hParent != &window_) faults.push_back("hParent is not the message window");
                enabled_with_ = ui;
                return answer("ENABLEDS show=" + std::to_string(ui->ShowUI) + " modal=" + std::to_string(ui->ModalUI));
            }
            if (ui != enabled_with_) faults.push_back("MSG_DISABLEDS without the record of the enable");
            if (transfers_pending_) faults.push_back("MSG_DISABLEDS with transfers pending");
            return answer("DISABLEDS");
        }
        if (dat == DAT_EVENT) {
            auto* event = static_cast<TW_EVENT*>(data);
            trace.push_back("PROCESSEVENT");
            if (event->pEvent != &message_ || event->TWMessage != MSG_NULL)
                faults.push_back("TW_EVENT not zeroed or not pointing at the message");
            event->TWMessage = s_.turns[turn_ - 1].tw_message;
            if (event->TWMessage == MSG_XFERREADY) transfers_pending_ = true;
            return s_.turns[turn_ - 1].rc;
        }
        if (dat == DAT_IMAGENATIVEXFER) {
            auto* handle = static_cast<TW_HANDLE*>(data);
            if (*handle) faults.push_back("native transfer handle not zero");
            if (s_.xfer_gives_handle) *handle = alloc_zeroed(64);
            return answer("NATIVEXFER", TWRC_XFERDONE);
        }
        if (dat == DAT_PENDINGXFERS && msg == MSG_ENDXFER) {
            static_cast<TW_PENDINGXFERS*>(data)->Count = s_.pending_after_end;
            const TW_UINT16 rc = answer("ENDXFER");
            transfers_pending_ = rc != TWRC_SUCCESS || s_.pending_after_end != 0;
            return rc;
        }
        if (dat == DAT_PENDINGXFERS && msg == MSG_RESET) {
            transfers_pending_ = false;
            return answer("RESET");
        }
        faults.push_back("unexpected source request " + std::to_string(dat) + "/" + std::to_string(msg));
        return TWRC_FAILURE;
    }

    script s_;
    std::map<TW_HANDLE, block> blocks_;
    std::uintptr_t handles_ = 0;
    static constexpr TW_UINT32 kOpened = 7;  // the source's identity as the DSM numbers it
    static constexpr const char* kDefault = "Default Source";  // its name, as MSG_GETDEFAULT gives it
    bool transfers_pending_ = false;         // from MSG_XFERREADY to an end of transfer that leaves none
    int window_ = 0, message_ = 0;          // the window and message "handles" point here
    const TW_IDENTITY* app_ = nullptr;
    std::size_t turn_ = 0;
    const TW_USERINTERFACE* enabled_with_ = nullptr;
};

lines operator+(lines a, const lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const lines kOpen = {"WINDOW+", "OPENDSM", "OPENDS"};
const lines kClose = {"CLOSEDS 7", "CLOSEDSM", "WINDOW-"};
const lines kIndicators = {"SET INDICATORS BOOL 0"};
const lines kQuery = {"GET UICONTROLLABLE"};
const lines kLayout = {"GET WIDTH", "GET HEIGHT", "LAYOUT 0,0,8.5,11 0"};
const lines kCount = {"SET XFERCOUNT INT16 1"};
const lines kTransfer = {"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "TAKE", "DISABLEDS"};
lines resolution(int dpi) {
    const std::string v = " FIX32 " + std::to_string(dpi);
    return {"SET XRES" + v, "SET YRES" + v};
}
lines pixel_type(int type) { return {"SET PIXELTYPE UINT16 " + std::to_string(type)}; }
lines enable(int show) { return {"ENABLEDS show=" + std::to_string(show) + " modal=1"}; }
// Up to the enable of a 300-dpi colour scan with progress hidden.
const lines kEnabled = kOpen + kIndicators + kQuery + kLayout + resolution(300) + pixel_type(2) +
                       lines{"SET BITDEPTH UINT16 24"} + kCount + enable(0);
const lines kFullScan = kEnabled + kTransfer + kClose;
const lines kNoImage = kEnabled + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "DISABLEDS"} + kClose;
const lines kNoImageReset = kEnabled + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "RESET", "DISABLEDS"} + kClose;
const lines kMorePending =
    kEnabled + lines{"PROCESSEVENT", "NATIVEXFER", "ENDXFER", "TAKE", "RESET", "DISABLEDS"} + kClose;
// The full scan's requests up to the one refused, then the closing ones.
lines upto(const std::string& refused) {
    const auto end = std::find(kFullScan.begin(), kFullScan.end(), refused);
    return lines(kFullScan.begin(), end + 1) + kClose;
}
// The full scan's (or another list's) requests without some.
lines without(const lines& left_out, const lines& from = kFullScan) {
    lines out;
    for (const std::string& line : from)
        if (std::find(left_out.begin(), left_out.end(), line) == left_out.end()) out.push_back(line);
    return out;
}
// What a source that keeps its own settings is sent.
const lines kOwnSettings =
    without(kLayout + resolution(300) + pixel_type(2) + lines{"SET BITDEPTH UINT16 24"} + kCount);
const lines kChosen = {"WINDOW+", "OPENDSM", "OPENDS", "USERSELECT", "CLOSEDS 7", "CLOSEDSM", "WINDOW-"};
// The all-zero identity refused, the DSM's default opened by its name.
const lines kByDefaultName = {"WINDOW+", "OPENDSM", "OPENDS", "GETDEFAULT", "OPENDS Default Source"};
const lines kNoSource = kByDefaultName + lines{"CLOSEDSM", "WINDOW-"};
// Neither the zero nor the named identity opens.
void no_source(script& s) { s.rc["OPENDS"] = s.rc["OPENDS Default Source"] = TWRC_FAILURE; }

struct args {
    std::int16_t resolution = 300;
    std::int32_t color_type = 2;
    bool show_progress = false, show_interface = false;
    bool choose_source = false;  // SelectSource instead of Scan
};
const args kChoose{300, 2, false, false, true};

struct driver_case {
    const char* name;
    std::function<void(script&)> setup;
    lines expected;
    std::uint32_t status;
    bool replaced = false;
    args call = {};
};

void none(script&) {}
// The request that line records is answered with rc.
std::function<void(script&)> answer(const std::string& line, TW_UINT16 rc = TWRC_FAILURE) {
    return [=](script& s) { s.rc[line] = rc; };
}

TEST(TwainDriver, ProtocolPaths) {
    const driver_case cases[] = {
        {"full negotiation, colour, progress hidden", none, kFullScan, 0, true},
        {"progress and interface shown, grey: no indicators, no bit depth", none,
         kOpen + kQuery + kLayout + resolution(150) + pixel_type(1) + kCount + enable(1) + kTransfer + kClose, 0, true,
         {150, 1, true, true}},
        {"other colour types go out as their low 16 bits, without a bit depth", none,
         kOpen + kQuery + kLayout + resolution(-5) + pixel_type(2) + kCount + enable(0) + kTransfer + kClose, 0, true,
         {-5, 0x10002, true}},
        {"interface not controllable: the source keeps its own settings",
         [](script& s) { s.gets[CAP_UICONTROLLABLE] = one(TWTY_BOOL, 0); }, kOwnSettings, 0, true},
        {"interface query refused: every setting offered all the same",
         [](script& s) { s.gets[CAP_UICONTROLLABLE] = kRefused; }, kFullScan, 0, true},
        {"interface query answered in 4 bytes: unanswered, the same",
         [](script& s) { s.gets[CAP_UICONTROLLABLE].bytes.resize(4); }, kFullScan, 0, true},
        {"unanswered query, then every offer refused: the source keeps its own, the scan goes on",
         [](script& s) {
             s.gets[CAP_UICONTROLLABLE] = s.gets[ICAP_PHYSICALWIDTH] = kRefused;
             for (const char* line : {"SET XRES FIX32 300", "SET PIXELTYPE UINT16 2", "SET XFERCOUNT INT16 1"})
                 s.rc[line] = TWRC_FAILURE;
         },
         without({"GET HEIGHT", kLayout[2], "SET YRES FIX32 300", "SET BITDEPTH UINT16 24"}), 0, true},
        {"unanswered query, layout, Y resolution and bit depth refused: the rest still sent",
         [](script& s) {
             s.gets[CAP_UICONTROLLABLE] = kRefused;
             for (const char* line : {"LAYOUT 0,0,8.5,11 0", "SET YRES FIX32 300", "SET BITDEPTH UINT16 24"})
                 s.rc[line] = TWRC_FAILURE;
         },
         kFullScan, 0, true},
        {"current values read from an enumeration and a range",
         [](script& s) {
             const TW_UINT16 items[2] = {0, 1};
             s.gets[CAP_UICONTROLLABLE] = container(TWON_ENUMERATION, TW_ENUMERATION{TWTY_BOOL, 2, 1, 0}, 4);
             std::memcpy(s.gets[CAP_UICONTROLLABLE].bytes.data() + sizeof(TW_ENUMERATION), items, 4);
             const TW_UINT32 width = fix32_item(TW_FIX32{8, 0x8000});
             s.gets[ICAP_PHYSICALWIDTH] = container(TWON_RANGE, TW_RANGE{TWTY_FIX32, 0, width, 1, 0, width});
         },
         kFullScan, 0, true},
        {"physical width 0: no layout, the scan goes on", [](script& s) { s.gets[ICAP_PHYSICALWIDTH] = fix(0); },
         without({kLayout[2]}), 0, true},
        {"physical width refused", [](script& s) { s.gets[ICAP_PHYSICALWIDTH] = kRefused; }, upto("GET WIDTH"), 1},
        {"layout answered with TWRC_CHECKSTATUS: accepted", answer(kLayout[2], TWRC_CHECKSTATUS), kFullScan, 0, true},
        {"layout refused: closed before enabling", answer(kLayout[2]), upto(kLayout[2]), 1},
        {"X resolution refused: nothing more is set", answer("SET XRES FIX32 300"), upto("SET XRES FIX32 300"), 1},
        {"Y resolution refused", answer("SET YRES FIX32 300", TWRC_CHECKSTATUS), upto("SET YRES FIX32 300"), 1},
        {"pixel type refused", answer("SET PIXELTYPE UINT16 2"), upto("SET PIXELTYPE UINT16 2"), 1},
        {"bit depth refused: ignored", answer("SET BITDEPTH UINT16 24"), kFullScan, 0, true},
        {"indicators refused: ignored", answer(kIndicators[0]), kFullScan, 0, true},
        {"transfer count refused", answer(kCount[0]), upto(kCount[0]), 1},
        {"enable refused: nothing to disable", answer("ENABLEDS show=0 modal=1"), upto("ENABLEDS show=0 modal=1"), 1},
        {"the source asks to be closed: disabled, done, picture kept",
         [](script& s) { s.turns = {{Wait::message, MSG_CLOSEDSREQ, TWRC_DSEVENT}}; },
         kEnabled + lines{"PROCESSEVENT", "DISABLEDS"} + kClose, 0},
        {"host messages dispatched, those the source consumed not",
         [](script& s) {
             s.turns = {{Wait::message, MSG_NULL, TWRC_NOTDSEVENT}, {Wait::message, MSG_NULL, TWRC_DSEVENT},
                        {Wait::message, MSG_CLOSEDSOK, TWRC_NOTDSEVENT}, s.turns[0]};
         },
         kEnabled + lines{"PROCESSEVENT", "DISPATCH", "NESTED 11", "PROCESSEVENT", "PROCESSEVENT", "DISPATCH",
                          "NESTED 11"} + kTransfer + kClose,
         0, true},
        {"transfer cancelled with a handle: freed", answer("NATIVEXFER", TWRC_CANCEL), kNoImage, 1},
        {"transfer cancelled without a handle",
         [](script& s) { s.rc["NATIVEXFER"] = TWRC_CANCEL, s.xfer_gives_handle = false; }, kNoImage, 1},
        {"transfer failed", answer("NATIVEXFER"), kNoImage, 1},
        {"end of transfer refused: the image is dropped, what may be pending reset", answer("ENDXFER"), kNoImageReset,
         1},
        {"transfer failed with images pending: reset before disabling",
         [](script& s) { s.rc["NATIVEXFER"] = TWRC_FAILURE, s.pending_after_end = 1; }, kNoImageReset, 1},
        {"transfer cancelled with images pending: reset",
         [](script& s) { s.rc["NATIVEXFER"] = TWRC_CANCEL, s.pending_after_end = 3; }, kNoImageReset, 1},
        {"conversion failed with images pending: reset",
         [](script& s) { s.rc["TAKE"] = TWRC_FAILURE, s.pending_after_end = 1; }, kMorePending, 1},
        {"conversion failed with the DIB still held: freed here",
         [](script& s) { s.rc["TAKE"] = TWRC_FAILURE, s.sink_frees_dib = false; }, kFullScan, 1},
        {"conversion failed after freeing the DIB: not freed twice", answer("TAKE"), kFullScan, 1},
        {"disable refused after the image: picture kept, failed", answer("DISABLEDS"), kFullScan, 1, true},
        {"more images pending: discarded before disabling", [](script& s) { s.pending_after_end = 2; }, kMorePending,
         0, true},
        {"images pending and disable refused",
         [](script& s) { s.pending_after_end = 1, s.rc["DISABLEDS"] = TWRC_FAILURE; }, kMorePending, 1, true},
        {"quit while waiting: disabled, failed, the quit posted again after closing",
         [](script& s) { s.turns = {{}, {Wait::quit, MSG_NULL, TWRC_NOTDSEVENT, 3}}; },
         kEnabled + lines{"PROCESSEVENT", "DISPATCH", "NESTED 11", "DISABLEDS"} + kClose + lines{"REQUIT 3"}, 1},
        {"the message queue fails: the wait ends", [](script& s) { s.turns = {{Wait::failed}}; },
         kEnabled + lines{"DISABLEDS"} + kClose, 1},
        {"the DSM does not open", answer("OPENDSM"), {"WINDOW+", "OPENDSM", "WINDOW-"}, 1},
        {"the zero identity refused: the DSM's default opened by its name", answer("OPENDS"),
         kByDefaultName + without(kOpen), 0, true},
        {"no default source: the DSM is closed again",
         [](script& s) { s.rc["OPENDS"] = s.rc["GETDEFAULT"] = TWRC_FAILURE; },
         kOpen + lines{"GETDEFAULT", "CLOSEDSM", "WINDOW-"}, 1},
        {"no source opens: the DSM is closed again", no_source, kNoSource, 1},
        {"the DSM refuses to close: picture kept, failed", answer("CLOSEDSM"), kFullScan, 1, true},
        {"no message window: nothing opened", answer("WINDOW+"), {"WINDOW+"}, 1},
        {"message window not destroyed: failed", answer("WINDOW-"), kFullScan, 1, true},
        // SelectSource closes the identity it opened, not the one the user chose.
        {"select: a source chosen", none, kChosen, 0, false, kChoose},
        {"select: cancelled", answer("USERSELECT", TWRC_CANCEL), kChosen, 1, false, kChoose},
        {"select: the default source opened by its name", answer("OPENDS"), kByDefaultName + without(kOpen, kChosen),
         0, false, kChoose},
        // A user whose default scanner is unplugged can still pick another.
        {"select: no source opens, the chooser appears all the same", no_source,
         kByDefaultName + lines{"USERSELECT", "CLOSEDSM", "WINDOW-"}, 0, false, kChoose},
        {"select: no source opens, chooser cancelled",
         [](script& s) { no_source(s), s.rc["USERSELECT"] = TWRC_CANCEL; },
         kByDefaultName + lines{"USERSELECT", "CLOSEDSM", "WINDOW-"}, 1, false, kChoose},
        {"select: the DSM does not open", answer("OPENDSM"), {"WINDOW+", "OPENDSM", "WINDOW-"}, 1, false, kChoose},
    };
    for (const driver_case& c : cases) {
        SCOPED_TRACE(c.name);
        script s;
        c.setup(s);
        scripted p(s);
        TwainDriver driver(p, p, p, p);
        // A host's handler run by the loop calls Scan and SelectSource again:
        // both are refused (1) at once, without a request.
        p.on_dispatch = [&] {
            p.trace.push_back("NESTED " + std::to_string(driver.acquire(p, 100, 0, true, true)) +
                              std::to_string(driver.choose_source()));
        };
        const args& a = c.call;
        EXPECT_EQ(a.choose_source ? driver.choose_source()
                                  : driver.acquire(p, a.resolution, a.color_type, a.show_progress, a.show_interface),
                  c.status);
        EXPECT_EQ(p.trace, c.expected);
        EXPECT_EQ(p.picture_replaced, c.replaced);
        EXPECT_EQ(p.faults, lines{});
        EXPECT_EQ(p.live_blocks(), 0u) << "global blocks leaked";
        EXPECT_FALSE(driver.busy());
    }
}

// The identity the DSM is given by Scan and by SelectSource, its text
// fields zero-filled.
TEST(TwainDriver, PresentsTheApplicationIdentity) {
    TW_IDENTITY expected{};
    expected.Version = {1, 0, TWLG_USA, TWCY_USA, ""};
    expected.ProtocolMajor = 1;
    expected.ProtocolMinor = 9;
    expected.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(expected.Manufacturer, "Oderic Valdane");
    std::strcpy(expected.ProductFamily, "Quillon");
    std::strcpy(expected.ProductName, "Valdane Twain ActiveX");
    for (const bool select : {false, true}) {
        scripted p(script{});
        TwainDriver driver(p, p, p, p);
        ASSERT_EQ(select ? driver.choose_source() : driver.acquire(p, 300, 2, true, false), 0u);
        EXPECT_EQ(std::memcmp(&p.identity, &expected, sizeof expected), 0) << select;
    }
}

}  // namespace
}  // namespace korvix::twain
