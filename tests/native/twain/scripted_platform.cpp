#include "tests/native/twain/scripted_platform.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace korvix::twain::test {

namespace {

std::string cap_name(TW_UINT16 cap) {
    switch (cap) {
    case CAP_INDICATORS: return "CAP_INDICATORS";
    case CAP_UICONTROLLABLE: return "CAP_UICONTROLLABLE";
    case ICAP_PHYSICALWIDTH: return "ICAP_PHYSICALWIDTH";
    case ICAP_PHYSICALHEIGHT: return "ICAP_PHYSICALHEIGHT";
    case ICAP_XRESOLUTION: return "ICAP_XRESOLUTION";
    case ICAP_YRESOLUTION: return "ICAP_YRESOLUTION";
    case ICAP_PIXELTYPE: return "ICAP_PIXELTYPE";
    case ICAP_BITDEPTH: return "ICAP_BITDEPTH";
    case CAP_XFERCOUNT: return "CAP_XFERCOUNT";
    default: return "cap " + std::to_string(cap);
    }
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string item_text(TW_UINT16 type, TW_UINT32 item) {
    switch (type) {
    case TWTY_BOOL: return "BOOL " + std::to_string(item);
    case TWTY_UINT16: return "UINT16 " + std::to_string(item);
    case TWTY_INT16: return "INT16 " + std::to_string(static_cast<TW_INT16>(item & 0xFFFF));
    case TWTY_FIX32: return "FIX32 " + number(fix32_value(fix32_from_item(item)));
    default: return "type " + std::to_string(type) + " " + std::to_string(item);
    }
}

template <typename T>
std::vector<std::uint8_t> bytes_of(const T& value) {
    std::vector<std::uint8_t> b(sizeof value);
    std::memcpy(b.data(), &value, sizeof value);
    return b;
}

}  // namespace

get_answer one_value(TW_UINT16 item_type, TW_UINT32 item) {
    get_answer a;
    a.container = bytes_of(TW_ONEVALUE{item_type, item});
    return a;
}

get_answer fix32_value_answer(double value) { return one_value(TWTY_FIX32, fix32_item(fix32_of(value))); }

scripted_platform::scripted_platform(script s) : s_(std::move(s)) {
    s_.gets.emplace(CAP_UICONTROLLABLE, one_value(TWTY_BOOL, 1));
    s_.gets.emplace(ICAP_PHYSICALWIDTH, fix32_value_answer(8.5));
    s_.gets.emplace(ICAP_PHYSICALHEIGHT, fix32_value_answer(11));
}

scripted_platform::~scripted_platform() {
    for (block* b : blocks_) delete b;
}

// ---- DSM and source -------------------------------------------------------------

TW_UINT16 scripted_platform::entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat,
                                   TW_UINT16 msg, TW_MEMREF data) {
    const bool first = std::exchange(first_call_, false);
    if (first && s_.throw_at_first_call) throw std::runtime_error("the DSM library is missing");
    if (!app_) app_ = origin;
    if (origin != app_) faults.push_back("origin is not the application identity");
    if (!dest) return to_dsm(dat, msg, data);
    if (!dsm_open_ || dest->Id != opened_id_ || opened_id_ == 0)
        faults.push_back("call to a source that is not open: dat " + std::to_string(dat));
    return to_source(dg, dat, msg, data);
}

TW_UINT16 scripted_platform::to_dsm(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    auto* identity = static_cast<TW_IDENTITY*>(data);
    if (dat == DAT_PARENT && (msg == MSG_OPENDSM || msg == MSG_CLOSEDSM)) {
        if (!window_alive_ || *static_cast<TW_HANDLE*>(data) != &window_tag_)
            faults.push_back("DAT_PARENT without a pointer to the live message window");
        if (msg == MSG_OPENDSM) {
            trace.push_back("OPENDSM");
            if (s_.open_dsm != TWRC_SUCCESS) return s_.open_dsm;
            dsm_open_ = true;
            return TWRC_SUCCESS;
        }
        trace.push_back("CLOSEDSM");
        dsm_open_ = false;
        opened_id_ = 0;
        return s_.close_dsm;
    }
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS) {
        trace.push_back("OPENDS");
        const TW_IDENTITY zero{};
        if (std::memcmp(identity, &zero, sizeof zero) != 0) faults.push_back("MSG_OPENDS with a non-zero identity");
        if (s_.open_ds != TWRC_SUCCESS) return s_.open_ds;
        identity->Id = opened_id_ = 7;
        std::strcpy(identity->ProductName, "Scripted");
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_USERSELECT) {
        trace.push_back("USERSELECT");
        if (s_.user_select == TWRC_SUCCESS) {
            identity->Id = 9;
            std::strcpy(identity->ProductName, "Chosen");
        }
        return s_.user_select;
    }
    if (dat == DAT_IDENTITY && msg == MSG_CLOSEDS) {
        trace.push_back("CLOSEDS " + std::to_string(identity->Id));
        if (identity->Id != opened_id_) return TWRC_FAILURE;
        opened_id_ = 0;
        return TWRC_SUCCESS;
    }
    faults.push_back("unexpected DSM request " + std::to_string(dat) + "/" + std::to_string(msg));
    return TWRC_FAILURE;
}

TW_UINT16 scripted_platform::capability(TW_UINT16 msg, TW_CAPABILITY& cap) {
    if (cap.ConType != TWON_ONEVALUE) faults.push_back("capability request without TWON_ONEVALUE");
    if (msg == MSG_GET) {
        trace.push_back("GET " + cap_name(cap.Cap));
        auto it = s_.gets.find(cap.Cap);
        if (it == s_.gets.end()) return TWRC_FAILURE;
        const get_answer& a = it->second;
        if (!a.container.empty()) {
            cap.hContainer = alloc_zeroed(a.container.size());
            std::memcpy(find(cap.hContainer)->bytes.data(), a.container.data(), a.container.size());
            cap.ConType = a.con_type;
        }
        return a.rc;
    }
    block* b = find(cap.hContainer);
    if (!b || b->bytes.size() != sizeof(TW_ONEVALUE) || b->locks != 0) {
        faults.push_back("MSG_SET without an unlocked 6-byte container");
        return TWRC_FAILURE;
    }
    TW_ONEVALUE v;
    std::memcpy(&v, b->bytes.data(), sizeof v);
    if (v.ItemType != TWTY_FIX32 && (v.Item >> 16) != 0) faults.push_back("16-bit item with a non-zero high half");
    trace.push_back("SET " + cap_name(cap.Cap) + " " + item_text(v.ItemType, v.Item));
    auto it = s_.set_rc.find(cap.Cap);
    return it == s_.set_rc.end() ? TWRC_SUCCESS : it->second;
}

TW_UINT16 scripted_platform::to_source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dg == DG_CONTROL && dat == DAT_CAPABILITY) return capability(msg, *static_cast<TW_CAPABILITY*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGELAYOUT && msg == MSG_SET) {
        const auto& l = *static_cast<TW_IMAGELAYOUT*>(data);
        trace.push_back("LAYOUT " + number(fix32_value(l.Frame.Left)) + "," + number(fix32_value(l.Frame.Top)) + "," +
                        number(fix32_value(l.Frame.Right)) + "," + number(fix32_value(l.Frame.Bottom)) + " " +
                        std::to_string(l.DocumentNumber) + std::to_string(l.PageNumber) +
                        std::to_string(l.FrameNumber));
        return s_.layout_rc;
    }
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE) {
        const auto* ui = static_cast<const TW_USERINTERFACE*>(data);
        if (msg == MSG_ENABLEDS) {
            trace.push_back("ENABLEDS show=" + std::to_string(ui->ShowUI) + " modal=" + std::to_string(ui->ModalUI));
            if (ui->hParent != &window_tag_) faults.push_back("hParent is not the message window");
            enabled_with_ = ui;
            return s_.enable_rc;
        }
        if (msg == MSG_DISABLEDS) {
            trace.push_back("DISABLEDS");
            if (ui != enabled_with_) faults.push_back("MSG_DISABLEDS without the record of the enable");
            return s_.disable_rc;
        }
    }
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
        auto* event = static_cast<TW_EVENT*>(data);
        trace.push_back("PROCESSEVENT");
        if (event->pEvent != &message_ || event->TWMessage != MSG_NULL)
            faults.push_back("TW_EVENT not zeroed or not pointing at the message");
        const event_turn& t = s_.turns[turn_ - 1];
        event->TWMessage = t.tw_message;
        return t.rc;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
        trace.push_back("NATIVEXFER");
        auto* handle = static_cast<TW_HANDLE*>(data);
        if (*handle) faults.push_back("native transfer handle not zero");
        if (s_.xfer_gives_handle) *handle = alloc_zeroed(64);
        return s_.xfer_rc;
    }
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS && (msg == MSG_ENDXFER || msg == MSG_RESET)) {
        trace.push_back(msg == MSG_ENDXFER ? "ENDXFER" : "RESET");
        if (msg == MSG_ENDXFER) static_cast<TW_PENDINGXFERS*>(data)->Count = s_.pending_after_end;
        return msg == MSG_ENDXFER ? s_.endxfer_rc : TWRC_SUCCESS;
    }
    faults.push_back("unexpected source request " + std::to_string(dat) + "/" + std::to_string(msg));
    return TWRC_FAILURE;
}

// ---- memory -------------------------------------------------------------------

scripted_platform::block* scripted_platform::find(TW_HANDLE h) noexcept {
    auto* b = static_cast<block*>(h);
    return blocks_.count(b) ? b : nullptr;
}

TW_HANDLE scripted_platform::alloc_zeroed(std::size_t bytes) noexcept {
    auto* b = new block;
    b->bytes.assign(bytes, 0);
    blocks_.insert(b);
    return b;
}

void* scripted_platform::lock(TW_HANDLE h) noexcept {
    block* b = find(h);
    if (!b) {
        faults.push_back("lock of an unknown block");
        return nullptr;
    }
    ++b->locks;
    return b->bytes.data();
}

void scripted_platform::unlock(TW_HANDLE h) noexcept {
    block* b = find(h);
    if (!b || b->locks == 0) faults.push_back("unbalanced unlock");
    if (b && b->locks) --b->locks;
}

bool scripted_platform::free(TW_HANDLE h) noexcept {
    block* b = find(h);
    if (!b) {
        faults.push_back("free of an unknown block");
        return false;
    }
    if (b->locks) faults.push_back("free of a locked block");
    blocks_.erase(b);
    delete b;
    return true;
}

std::size_t scripted_platform::size(TW_HANDLE h) noexcept {
    block* b = find(h);
    return b ? b->bytes.size() : 0;
}

// ---- pump, window, sink ---------------------------------------------------------

EventPump::Wait scripted_platform::wait() noexcept {
    if (turn_ >= s_.turns.size()) {
        faults.push_back("the loop waited past the script");
        return Wait::failed;
    }
    const event_turn& t = s_.turns[turn_++];
    quit_code_ = t.quit_code;
    return t.wait;
}

void scripted_platform::dispatch() noexcept {
    trace.push_back("DISPATCH");
    if (on_dispatch) on_dispatch();
}

void scripted_platform::repost_quit(int exit_code) noexcept { trace.push_back("REQUIT " + std::to_string(exit_code)); }

TW_HANDLE scripted_platform::create() noexcept {
    trace.push_back("WINDOW+");
    if (!s_.window_created) return nullptr;
    window_alive_ = true;
    return &window_tag_;
}

bool scripted_platform::destroy(TW_HANDLE window) noexcept {
    trace.push_back("WINDOW-");
    if (window != &window_tag_ || !window_alive_) faults.push_back("destroying a window that is not alive");
    window_alive_ = false;
    return s_.window_destroyed;
}

TW_UINT32 scripted_platform::take(TW_HANDLE& dib) noexcept {
    trace.push_back("TAKE");
    if (!find(dib)) faults.push_back("DibToPicture given a handle that is not a live block");
    if (s_.sink_frees_dib && free(dib)) dib = nullptr;
    picture_replaced = s_.sink_status == 0;
    return s_.sink_status;
}

}  // namespace korvix::twain::test
