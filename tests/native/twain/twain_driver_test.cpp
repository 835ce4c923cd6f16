// The driver against a scripted platform: one fake plays the DSM, the
// source, global memory, the event pump, the message window and the picture
// sink. It answers as the row's script says, records every request as a line
// of a trace, and notes every misuse of the protocol or of a shared block.
// Played as a TWAIN 2 DSM, it keeps a second pool of blocks that only its
// entry points reach. One row per protocol path.
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
    bool dsm2 = false;           // a TWAIN 2 DSM: DF_DSM2 at MSG_OPENDSM, DAT_ENTRYPOINT
    std::vector<std::string> sources{"Flatbed", "Camera"};  // what MSG_GETFIRST/GETNEXT list
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

class scripted;
scripted* g_dsm = nullptr;  // the TWAIN 2 DSM whose entry points a row hands out

class scripted final : public DsmEntry, public GlobalMemory, public EventPump, public MessageWindows, public ImageSink {
public:
    explicit scripted(script s) : s_(std::move(s)) { g_dsm = this; }
    ~scripted() { g_dsm = nullptr; }

    // The DSM's memory functions (DAT_ENTRYPOINT): its own pool.
    static TW_HANDLE KORVIX_TWAIN_CALL dsm_alloc(TW_UINT32 n) { return g_dsm->pool_alloc(g_dsm->dsm_blocks_, n); }
    static void KORVIX_TWAIN_CALL dsm_free(TW_HANDLE h) { g_dsm->pool_free(g_dsm->dsm_blocks_, h); }
    static TW_MEMREF KORVIX_TWAIN_CALL dsm_lock(TW_HANDLE h) { return g_dsm->pool_lock(g_dsm->dsm_blocks_, h); }
    static void KORVIX_TWAIN_CALL dsm_unlock(TW_HANDLE h) { g_dsm->pool_unlock(g_dsm->dsm_blocks_, h); }
    int global_calls = 0, dsm_calls = 0;  // blocks allocated, locked or freed in each pool

    lines trace;
    lines faults;  // misuse of the protocol or of memory
    bool picture_replaced = false;
    TW_IDENTITY identity{};  // as MSG_OPENDSM received it
    std::function<void()> on_dispatch;
    std::size_t live_blocks() const noexcept { return blocks_.size() + dsm_blocks_.size(); }
    GlobalMemory* sink_memory = nullptr;  // what the sink was handed

    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data) override {
        if (!app_) app_ = origin;
        if (origin != app_) faults.push_back("origin is not the application identity");
        const bool parent = msg == MSG_OPENDSM || msg == MSG_CLOSEDSM;
        const bool image = dat == DAT_IMAGELAYOUT || dat == DAT_IMAGENATIVEXFER;
        const TW_UINT16 to_dsm_dat = parent ? DAT_PARENT : msg == MSG_GET ? DAT_ENTRYPOINT : DAT_IDENTITY;
        if (dg != (image ? DG_IMAGE : DG_CONTROL) || (!dest && dat != to_dsm_dat))
            faults.push_back("wrong data group or type for message " + std::to_string(msg));
        if (!dest) return to_dsm(msg, data);
        if (dest->Id != kOpened) faults.push_back("request to another source than the one opened");
        return to_source(dg, dat, msg, data);
    }

    TW_HANDLE alloc_zeroed(std::size_t bytes) noexcept override { return pool_alloc(blocks_, bytes); }
    void* lock(TW_HANDLE h) noexcept override { return pool_lock(blocks_, h); }
    void unlock(TW_HANDLE h) noexcept override { pool_unlock(blocks_, h); }
    bool free(TW_HANDLE h) noexcept override { return pool_free(blocks_, h); }
    // GlobalSize: on Windows it sizes a TWAIN 2 DSM's blocks too.
    std::size_t size(TW_HANDLE h) noexcept override {
        for (pool* p : {&blocks_, &dsm_blocks_})
            if (p->count(h)) return (*p)[h].bytes.size();
        faults.push_back("size of an unknown block");
        return 0;
    }

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

    TW_UINT32 take(TW_HANDLE& dib, GlobalMemory& memory) noexcept override {  // 0: replaced, 1 (TWRC_FAILURE): not
        sink_memory = &memory;
        if (!memory.size(dib)) faults.push_back("DibToPicture of an unknown block");
        if (s_.sink_frees_dib && memory.free(dib)) dib = nullptr;
        const TW_UINT16 status = answer("TAKE");
        picture_replaced = status == TWRC_SUCCESS;
        return status;
    }
    void release(TW_HANDLE& image, GlobalMemory& memory) noexcept override {
        const std::size_t live = live_blocks();
        if (image) memory.free(image);
        if (image && live_blocks() != live - 1) faults.push_back("release of an image that is not a live block");
        image = nullptr;
    }

private:
    struct block {
        std::vector<std::uint8_t> bytes;
        int locks = 0;
    };
    using pool = std::map<TW_HANDLE, block>;
    // Records the request and answers as the script says, else as given.
    TW_UINT16 answer(const std::string& line, TW_UINT16 otherwise = TWRC_SUCCESS) {
        trace.push_back(line);
        const auto it = s_.rc.find(line);
        return it == s_.rc.end() ? otherwise : it->second;
    }
    int& calls(const pool& p) noexcept { return &p == &blocks_ ? global_calls : dsm_calls; }
    block* find(pool& p, TW_HANDLE h, const char* use) {
        ++calls(p);
        const auto it = p.find(h);
        if (it == p.end()) faults.push_back(std::string(use) + " of an unknown block");
        return it == p.end() ? nullptr : &it->second;
    }
    TW_HANDLE pool_alloc(pool& p, std::size_t bytes) {
        ++calls(p);
        const auto h = reinterpret_cast<TW_HANDLE>(++handles_);
        p[h] = block{std::vector<std::uint8_t>(bytes)};
        return h;
    }
    void* pool_lock(pool& p, TW_HANDLE h) {
        block* b = find(p, h, "lock");
        return b ? (++b->locks, b->bytes.data()) : nullptr;
    }
    void pool_unlock(pool& p, TW_HANDLE h) {
        block* b = find(p, h, "unlock");
        if (b && b->locks-- == 0) faults.push_back("unbalanced unlock");
    }
    bool pool_free(pool& p, TW_HANDLE h) {
        block* b = find(p, h, "free");
        if (b && b->locks) faults.push_back("free of a locked block");
        return b && p.erase(h);
    }
    // The source allocates from the DSM's pool once the DSM is a TWAIN 2 one
    // that lent its functions.
    pool& source_pool() noexcept { return lent_ ? dsm_blocks_ : blocks_; }

    TW_UINT16 to_dsm(TW_UINT16 msg, TW_MEMREF data) {
        auto& id = *static_cast<TW_IDENTITY*>(data);
        const TW_IDENTITY zero{};
        switch (msg) {
        case MSG_OPENDSM:
        case MSG_CLOSEDSM:
            if (*static_cast<TW_HANDLE*>(data) != &window_) faults.push_back("DAT_PARENT without the message window");
            if (msg == MSG_OPENDSM) {
                identity = *app_;
                lent_ = false;
                if (s_.dsm2) app_->SupportedGroups |= DF_DSM2;
            }
            return answer(msg == MSG_OPENDSM ? "OPENDSM" : "CLOSEDSM");
        case MSG_GET: {  // DAT_ENTRYPOINT
            auto& entry = *static_cast<TW_ENTRYPOINT*>(data);
            if (!s_.dsm2 || entry.Size != sizeof entry) faults.push_back("DAT_ENTRYPOINT of a TWAIN 1 DSM, or unsized");
            const TW_UINT16 rc = answer("ENTRYPOINT");
            if (rc == TWRC_SUCCESS) {
                entry.DSM_MemAllocate = dsm_alloc, entry.DSM_MemFree = dsm_free;
                entry.DSM_MemLock = dsm_lock, entry.DSM_MemUnlock = dsm_unlock;
                lent_ = true;
            }
            return rc;
        }
        case MSG_GETFIRST:
        case MSG_GETNEXT: {
            if (msg == MSG_GETFIRST) listed_ = 0;
            const TW_UINT16 rc = answer(msg == MSG_GETFIRST ? "GETFIRST" : "GETNEXT");
            if (listed_ == s_.sources.size()) return msg == MSG_GETFIRST ? TWRC_FAILURE : TWRC_ENDOFLIST;
            id = TW_IDENTITY{};
            set_text(id.ProductName, s_.sources[listed_++].c_str());
            return rc;
        }
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
                if ((std::strcmp(id.ProductName, kDefault) != 0 && std::strcmp(id.ProductName, "Flatbed") != 0) ||
                    id.Id != 0)
                    faults.push_back("MSG_OPENDS without a zero, the default or a listed identity");
                line += std::string(" ") + id.ProductName;
            }
            const TW_UINT16 rc = answer(line);
            if (rc != TWRC_SUCCESS) return rc;
            // The DSM fills in the identity of what it opened; the user chose another.
            if (!id.ProductName[0]) set_text(id.ProductName, "Flatbed");
            if (msg == MSG_USERSELECT) set_text(id.ProductName, "Camera");
            id.Id = msg == MSG_OPENDS ? kOpened : kOpened + 1;
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
                const TW_HANDLE h = pool_alloc(source_pool(), it->second.bytes.size());
                std::memcpy(source_pool()[h].bytes.data(), it->second.bytes.data(), it->second.bytes.size());
                cap.hContainer = h;
                cap.ConType = it->second.con_type;
            }
            return it->second.rc;
        }
        const block* b = find(source_pool(), cap.hContainer, "MSG_SET");
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
            if (s_.xfer_gives_handle) *handle = pool_alloc(source_pool(), 64);
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
    pool blocks_, dsm_blocks_;
    bool lent_ = false;       // the DSM's entry points were handed out
    std::size_t listed_ = 0;  // sources listed so far
    std::uintptr_t handles_ = 0;
    static constexpr TW_UINT32 kOpened = 7;  // the source's identity as the DSM numbers it
    static constexpr const char* kDefault = "Default Source";  // its name, as MSG_GETDEFAULT gives it
    bool transfers_pending_ = false;         // from MSG_XFERREADY to an end of transfer that leaves none
    int window_ = 0, message_ = 0;          // the window and message "handles" point here
    TW_IDENTITY* app_ = nullptr;
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
    bool twain2 = false;         // as the 64-bit control drives it
    const char* preferred = "";  // the source to open by name
};
const args kChoose{300, 2, false, false, true};
const args kTwain2{300, 2, false, false, false, true};
const args kChooseTwain2{300, 2, false, false, true, true};
const args kPreferred{300, 2, false, false, false, false, "Flatbed"};

struct driver_case {
    const char* name;
    std::function<void(script&)> setup;
    lines expected;
    std::uint32_t status;
    bool replaced = false;
    args call = {};
    bool dsm_pool = false;  // every shared block came from the DSM's own functions
};

void none(script&) {}
void dsm2(script& s) { s.dsm2 = true; }
// A request trace with a line put in after (or in place of) another.
lines after(const lines& from, const std::string& line, const std::string& added, bool replace = false) {
    lines out;
    for (const std::string& l : from) {
        if (!(replace && l == line)) out.push_back(l);
        if (l == line) out.push_back(added);
    }
    return out;
}
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
        // TWAIN 2, as the 64-bit control speaks it.
        {"TWAIN 2 on a TWAIN 1 DSM: global memory, as before", none, kFullScan, 0, true, kTwain2},
        {"TWAIN 2 DSM: every shared block through its entry points", dsm2, after(kFullScan, "OPENDSM", "ENTRYPOINT"),
         0, true, kTwain2, true},
        {"TWAIN 2 DSM that lends no entry points: global memory",
         [](script& s) { s.dsm2 = true, s.rc["ENTRYPOINT"] = TWRC_FAILURE; },
         after(kFullScan, "OPENDSM", "ENTRYPOINT"), 0, true, kTwain2},
        {"TWAIN 1 (the 32-bit control) on a TWAIN 2 DSM: nothing asked of it", dsm2, kFullScan, 0, true},
        {"TWAIN 2 DSM, conversion failed: the DIB freed through it",
         [](script& s) { s.dsm2 = true, s.rc["TAKE"] = TWRC_FAILURE, s.sink_frees_dib = false; },
         after(kFullScan, "OPENDSM", "ENTRYPOINT"), 1, false, kTwain2, true},
        {"select on a TWAIN 2 DSM (no block to share)", dsm2, after(kChosen, "OPENDSM", "ENTRYPOINT"), 0, false,
         kChooseTwain2},
        // The source a user chose among both bitnesses, opened by its name.
        {"a preferred source by its name", none, after(kFullScan, "OPENDS", "OPENDS Flatbed", true), 0, true,
         kPreferred},
        {"a preferred source that does not open: the default", answer("OPENDS Flatbed"),
         after(kFullScan, "OPENDSM", "OPENDS Flatbed"), 0, true, kPreferred},
    };
    for (const driver_case& c : cases) {
        SCOPED_TRACE(c.name);
        script s;
        c.setup(s);
        scripted p(s);
        const args& a = c.call;
        TwainDriver driver(p, p, p, p, a.twain2 ? TwainDriver::Protocol::twain2 : TwainDriver::Protocol::twain1);
        driver.set_preferred_source(a.preferred);
        // A host's handler run by the loop calls Scan and SelectSource again:
        // both are refused (1) at once, without a request.
        p.on_dispatch = [&] {
            p.trace.push_back("NESTED " + std::to_string(driver.acquire(p, 100, 0, true, true)) +
                              std::to_string(driver.choose_source()));
        };
        EXPECT_EQ(a.choose_source ? driver.choose_source()
                                  : driver.acquire(p, a.resolution, a.color_type, a.show_progress, a.show_interface),
                  c.status);
        EXPECT_EQ(p.trace, c.expected);
        EXPECT_EQ(p.picture_replaced, c.replaced);
        EXPECT_EQ(p.faults, lines{});
        EXPECT_EQ(p.live_blocks(), 0u) << "shared blocks leaked";
        EXPECT_EQ(p.dsm_calls != 0, c.dsm_pool) << "the DSM's memory functions used";
        if (c.dsm_pool) {
            EXPECT_EQ(p.global_calls, 0) << "global memory used beside the DSM's";
        }
        EXPECT_FALSE(driver.busy());
    }
}

// The identity the DSM is given, its text fields zero-filled, whichever
// call opens it first: TWAIN 1.9, or TWAIN 2 with DF_APP2.
TEST(TwainDriver, PresentsTheApplicationIdentity) {
    struct identity_case {
        const char* name;
        TwainDriver::Protocol protocol;
        bool choose;
        TW_UINT16 major, minor;
        TW_UINT32 groups;
    };
    const identity_case cases[] = {
        {"scan", TwainDriver::Protocol::twain1, false, 1, 9, DG_CONTROL | DG_IMAGE},
        {"select before any scan", TwainDriver::Protocol::twain1, true, 1, 9, DG_CONTROL | DG_IMAGE},
        {"scan, TWAIN 2", TwainDriver::Protocol::twain2, false, 2, 4, DG_CONTROL | DG_IMAGE | DF_APP2},
    };
    for (const identity_case& c : cases) {
        SCOPED_TRACE(c.name);
        scripted p(script{});
        TwainDriver driver(p, p, p, p, c.protocol);
        ASSERT_EQ(c.choose ? driver.choose_source() : driver.acquire(p, 300, 2, true, false), 0u);
        TW_IDENTITY expected{};
        expected.Version = {1, 0, TWLG_USA, TWCY_USA, ""};
        expected.ProtocolMajor = c.major;
        expected.ProtocolMinor = c.minor;
        expected.SupportedGroups = c.groups;
        std::strcpy(expected.Manufacturer, "Oderic Valdane");
        std::strcpy(expected.ProductFamily, "Quillon");
        std::strcpy(expected.ProductName, "Valdane Twain ActiveX");
        EXPECT_EQ(std::memcmp(&p.identity, &expected, sizeof expected), 0);
        EXPECT_EQ(driver.source_name(), c.choose ? "Camera" : "Flatbed") << "the source opened, or chosen";
    }
}

// The 64-bit control asks each side which sources it has.
TEST(TwainDriver, ListsTheSources) {
    struct list_case {
        const char* name;
        std::function<void(script&)> setup;
        lines expected;
        std::uint32_t status;
        std::vector<std::string> names;
    };
    const lines two = {"WINDOW+", "OPENDSM", "GETFIRST", "GETNEXT", "GETNEXT", "CLOSEDSM", "WINDOW-"};
    const list_case cases[] = {
        {"two sources", none, two, 0, {"Flatbed", "Camera"}},
        {"none", [](script& s) { s.sources.clear(); }, {"WINDOW+", "OPENDSM", "GETFIRST", "CLOSEDSM", "WINDOW-"}, 0,
         {}},
        {"a name filling its whole field", [](script& s) { s.sources = {std::string(40, 'n')}; },
         {"WINDOW+", "OPENDSM", "GETFIRST", "GETNEXT", "CLOSEDSM", "WINDOW-"}, 0, {std::string(33, 'n')}},
        {"the DSM does not open", answer("OPENDSM"), {"WINDOW+", "OPENDSM", "WINDOW-"}, 1, {}},
        {"the DSM refuses to close", answer("CLOSEDSM"), two, 1, {"Flatbed", "Camera"}},
    };
    for (const list_case& c : cases) {
        SCOPED_TRACE(c.name);
        script s;
        c.setup(s);
        scripted p(s);
        TwainDriver driver(p, p, p, p, TwainDriver::Protocol::twain2);
        std::vector<std::string> names{"left over"};
        EXPECT_EQ(driver.list_sources(names), c.status);
        EXPECT_EQ(p.trace, c.expected);
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(p.faults, lines{});
    }
    script many;
    many.sources.assign(TwainDriver::kMostSources + 3, "S");
    scripted p(many);
    TwainDriver driver(p, p, p, p);
    std::vector<std::string> names;
    EXPECT_EQ(driver.list_sources(names), 0u);
    EXPECT_EQ(names.size(), TwainDriver::kMostSources) << "a list is cut at the most the wire carries";
}

}  // namespace
}  // namespace korvix::twain
