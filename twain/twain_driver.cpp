#include "twain/twain_driver.h"

#include <algorithm>
#include <cstring>

namespace korvix::twain {

namespace {

constexpr std::uint32_t kDone = 0;
constexpr std::uint32_t kFailed = 1;

// The rule for the bed's size: positive when the whole part is, or when the
// fraction, read as a signed number, is.
bool positive(TW_FIX32 v) noexcept { return v.Whole > 0 || static_cast<TW_INT16>(v.Frac) > 0; }

// A product name as its field holds it, terminated or not.
std::string name_of(const TW_IDENTITY& id) {
    const std::size_t n = std::find(id.ProductName, id.ProductName + sizeof id.ProductName, '\0') - id.ProductName;
    return std::string(id.ProductName, n);
}

}  // namespace

// One call of acquire() or choose_source(): marks the driver busy, owns the
// message window until finish(), and on the way out hands a quit message
// received during the call back to the thread.
class TwainDriver::CallScope {
public:
    explicit CallScope(TwainDriver& d) noexcept : d_(d) {
        d_.busy_ = true;
        d_.quit_received_ = false;
        d_.msg_window_ = d_.windows_.create();
        window_ = d_.msg_window_;
    }
    ~CallScope() {
        if (window_) d_.windows_.destroy(window_);
        d_.busy_ = false;
        if (d_.quit_received_) d_.pump_.repost_quit(d_.quit_code_);
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

    bool has_window() const noexcept { return window_ != nullptr; }
    // Destroys the window; 0 when that worked.
    std::uint32_t finish() noexcept {
        const bool destroyed = d_.windows_.destroy(window_);
        window_ = nullptr;
        return destroyed ? kDone : kFailed;
    }

private:
    TwainDriver& d_;
    TW_HANDLE window_ = nullptr;
};

TW_UINT16 TwainDriver::to_dsm(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return dsm_.entry(&app_identity_, nullptr, DG_CONTROL, dat, msg, data);
}

TW_UINT16 TwainDriver::to_source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return dsm_.entry(&app_identity_, &src_identity_, dg, dat, msg, data);
}

// ---- connection -------------------------------------------------------------

// Opens the DSM with the application's identity. A TWAIN 2 DSM that says so
// (DF_DSM2, which it sets in that identity) lends its memory functions for
// the call; without them the platform's global memory serves, as for TWAIN 1.
std::uint32_t TwainDriver::open_dsm() {
    const bool twain2 = protocol_ == Protocol::twain2;
    app_identity_ = TW_IDENTITY{};
    app_identity_.Version.MajorNum = 1;
    app_identity_.Version.MinorNum = 0;
    app_identity_.Version.Language = TWLG_USA;
    app_identity_.Version.Country = TWCY_USA;
    app_identity_.ProtocolMajor = twain2 ? 2 : 1;
    app_identity_.ProtocolMinor = twain2 ? 4 : 9;
    app_identity_.SupportedGroups = DG_CONTROL | DG_IMAGE | (twain2 ? DF_APP2 : 0);
    set_text(app_identity_.Manufacturer, "Oderic Valdane");
    set_text(app_identity_.ProductFamily, "Quillon");
    set_text(app_identity_.ProductName, "Valdane Twain ActiveX");
    dsm_memory_.reset();

    if (to_dsm(DAT_PARENT, MSG_OPENDSM, &msg_window_) != TWRC_SUCCESS) return kFailed;
    if (twain2 && (app_identity_.SupportedGroups & DF_DSM2)) {
        TW_ENTRYPOINT entry{};
        entry.Size = sizeof entry;
        if (to_dsm(DAT_ENTRYPOINT, MSG_GET, &entry) == TWRC_SUCCESS && EntryPointMemory::usable(entry))
            dsm_memory_.emplace(entry, memory_);
    }
    return kDone;
}

std::uint32_t TwainDriver::connect_source() {
    src_identity_ = TW_IDENTITY{};
    if (open_dsm() != kDone) return kFailed;
    if (open_default_source() != kDone) {
        to_dsm(DAT_PARENT, MSG_CLOSEDSM, &msg_window_);
        return kFailed;
    }
    source_name_ = name_of(src_identity_);
    return kDone;
}

// The preferred source by its name, when one is set. An all-zero identity
// asks for the DSM's default source. Some managers pass
// it to the source unfilled, and some sources refuse it: then the manager is
// asked which source is its default, and that one is opened by name.
std::uint32_t TwainDriver::open_default_source() {
    if (!preferred_.empty()) {
        src_identity_ = TW_IDENTITY{};
        set_text(src_identity_.ProductName, preferred_.c_str());
        source_open_ = to_dsm(DAT_IDENTITY, MSG_OPENDS, &src_identity_) == TWRC_SUCCESS;
        if (source_open_) return kDone;
    }
    src_identity_ = TW_IDENTITY{};
    source_open_ = to_dsm(DAT_IDENTITY, MSG_OPENDS, &src_identity_) == TWRC_SUCCESS;
    if (!source_open_) {
        src_identity_ = TW_IDENTITY{};
        source_open_ = to_dsm(DAT_IDENTITY, MSG_GETDEFAULT, &src_identity_) == TWRC_SUCCESS &&
                       to_dsm(DAT_IDENTITY, MSG_OPENDS, &src_identity_) == TWRC_SUCCESS;
    }
    return source_open_ ? kDone : kFailed;
}

std::uint32_t TwainDriver::disconnect_source() {
    if (source_open_) to_dsm(DAT_IDENTITY, MSG_CLOSEDS, &src_identity_);
    source_open_ = false;
    return to_dsm(DAT_PARENT, MSG_CLOSEDSM, &msg_window_) == TWRC_SUCCESS ? kDone : kFailed;
}

std::uint32_t TwainDriver::acquire(ImageSink& picture, std::int16_t resolution, std::int32_t color_type,
                                   bool show_progress, bool show_interface) {
    if (busy_) return kFailed;  // a second DSM session inside the first is not safe
    pixel_type_ = color_type;
    resolution_sent_ = 0;
    source_name_.clear();
    CallScope call(*this);
    if (!call.has_window()) return kFailed;
    if (connect_source() != kDone) return kFailed;

    auto close_and_fail = [this] {
        disconnect_source();
        return kFailed;
    };
    if (!show_progress) disable_indicators();
    switch (query_ui_controllable()) {
    case UiControllable::yes:
        if (set_full_image_layout() != kDone) return close_and_fail();
        if (set_resolution(resolution) != kDone) return close_and_fail();
        resolution_sent_ = resolution;
        if (set_pixel_type() != kDone) return close_and_fail();
        if (color_type == TWPT_RGB) set_bit_depth_24();
        if (set_transfer_count() != kDone) return close_and_fail();
        break;
    case UiControllable::no:
        break;  // the source keeps all of its own settings
    case UiControllable::unanswered:
        offer_settings(resolution, color_type);
        break;
    }
    if (run_transfer(picture, show_interface) != kDone) return close_and_fail();
    if (disconnect_source() != kDone) return kFailed;
    return call.finish();
}

std::uint32_t TwainDriver::choose_source() {
    if (busy_) return kFailed;
    source_name_.clear();
    CallScope call(*this);
    if (!call.has_window()) return kFailed;
    // The default source is opened as for a scan, but the chooser is shown
    // even when it will not open (unplugged): that is when the user most
    // needs to pick another.
    src_identity_ = TW_IDENTITY{};
    if (open_dsm() != kDone) return kFailed;
    open_default_source();
    // The DSM writes the user's choice into its own record (and makes it
    // its default); the identity that was opened is what gets closed.
    TW_IDENTITY chosen = src_identity_;
    if (to_dsm(DAT_IDENTITY, MSG_USERSELECT, &chosen) != TWRC_SUCCESS) {
        disconnect_source();
        return kFailed;
    }
    source_name_ = name_of(chosen);
    if (disconnect_source() != kDone) return kFailed;
    return call.finish();
}

std::uint32_t TwainDriver::list_sources(std::vector<std::string>& names) {
    names.clear();
    if (busy_) return kFailed;
    CallScope call(*this);
    if (!call.has_window()) return kFailed;
    if (open_dsm() != kDone) return kFailed;
    for (TW_UINT16 msg = MSG_GETFIRST; names.size() < kMostSources; msg = MSG_GETNEXT) {
        TW_IDENTITY source{};
        if (to_dsm(DAT_IDENTITY, msg, &source) != TWRC_SUCCESS) break;  // TWRC_ENDOFLIST, or none at all
        names.push_back(name_of(source));
    }
    if (to_dsm(DAT_PARENT, MSG_CLOSEDSM, &msg_window_) != TWRC_SUCCESS) return kFailed;
    return call.finish();
}

// ---- capabilities -------------------------------------------------------------

std::uint32_t TwainDriver::set_one_value(TW_UINT16 cap, TW_UINT16 item_type, TW_UINT32 item) {
    const TW_ONEVALUE value{item_type, item};
    TW_HANDLE container = shared().alloc_zeroed(sizeof value);
    if (!container) return kFailed;
    void* at = shared().lock(container);
    if (!at) {
        shared().free(container);
        return kFailed;
    }
    std::memcpy(at, &value, sizeof value);
    shared().unlock(container);
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, container};
    const TW_UINT16 rc = to_source(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    shared().free(container);
    return rc == TWRC_SUCCESS ? kDone : kFailed;
}

// Reads the current value of a capability from the container the source
// returned, whatever its kind: a one-value's item, a range's current value,
// an enumeration's current item. The container is freed in every case.
bool TwainDriver::get_current_value(TW_UINT16 cap, TW_UINT32& item) {
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, nullptr};
    if (to_source(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability) != TWRC_SUCCESS) return false;
    TW_HANDLE container = capability.hContainer;
    if (!container) return false;
    bool found = false;
    const std::size_t size = shared().size(container);
    if (const auto* at = static_cast<const unsigned char*>(shared().lock(container))) {
        if (capability.ConType == TWON_RANGE && size >= sizeof(TW_RANGE)) {
            TW_RANGE range;
            std::memcpy(&range, at, sizeof range);
            item = range.CurrentValue;
            found = true;
        } else if (capability.ConType == TWON_ENUMERATION && size >= sizeof(TW_ENUMERATION)) {
            TW_ENUMERATION list;
            std::memcpy(&list, at, sizeof list);
            const std::size_t item_size = item_bytes(list.ItemType);
            if (item_size != 0 && list.CurrentIndex < list.NumItems &&
                list.CurrentIndex < (size - sizeof list) / item_size) {
                item = 0;
                std::memcpy(&item, at + sizeof list + list.CurrentIndex * item_size, item_size);
                found = true;
            }
        } else if (capability.ConType != TWON_RANGE && capability.ConType != TWON_ENUMERATION &&
                   size >= sizeof(TW_ONEVALUE)) {
            TW_ONEVALUE value;
            std::memcpy(&value, at, sizeof value);
            item = value.Item;
            found = true;
        }
        shared().unlock(container);
    }
    shared().free(container);
    return found;
}

std::uint32_t TwainDriver::disable_indicators() { return set_one_value(CAP_INDICATORS, TWTY_BOOL, 0); }

TwainDriver::UiControllable TwainDriver::query_ui_controllable() {
    TW_UINT32 item = 0;
    if (!get_current_value(CAP_UICONTROLLABLE, item)) return UiControllable::unanswered;
    return (item & 0xFFFFu) == 1 ? UiControllable::yes : UiControllable::no;
}

// For a source that predates CAP_UICONTROLLABLE or does not implement it
// (most cameras): every setting is offered, and a refusal only means the
// source keeps its own value. The bit depth goes with an accepted pixel
// type only, and a resolution counts as sent when both axes took it.
void TwainDriver::offer_settings(std::int16_t resolution, std::int32_t color_type) {
    set_full_image_layout();
    if (set_resolution(resolution) == kDone) resolution_sent_ = resolution;
    if (set_pixel_type() == kDone && color_type == TWPT_RGB) set_bit_depth_24();
    set_transfer_count();
}

std::uint32_t TwainDriver::set_full_image_layout() {
    TW_UINT32 width = 0, height = 0;
    if (!get_current_value(ICAP_PHYSICALWIDTH, width)) return kFailed;
    if (!get_current_value(ICAP_PHYSICALHEIGHT, height)) return kFailed;
    TW_IMAGELAYOUT layout{};
    layout.Frame.Right = fix32_from_item(width);
    layout.Frame.Bottom = fix32_from_item(height);
    // A bed without a size: the source keeps its own frame.
    if (!positive(layout.Frame.Right) || !positive(layout.Frame.Bottom)) return kDone;
    const TW_UINT16 rc = to_source(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    return rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS ? kDone : kFailed;
}

std::uint32_t TwainDriver::set_resolution(std::int16_t resolution) {
    const TW_UINT32 item = fix32_item(TW_FIX32{resolution, 0});
    if (set_one_value(ICAP_XRESOLUTION, TWTY_FIX32, item) != kDone) return kFailed;
    return set_one_value(ICAP_YRESOLUTION, TWTY_FIX32, item);
}

std::uint32_t TwainDriver::set_pixel_type() {
    return set_one_value(ICAP_PIXELTYPE, TWTY_UINT16, static_cast<TW_UINT32>(pixel_type_) & 0xFFFFu);
}

std::uint32_t TwainDriver::set_bit_depth_24() { return set_one_value(ICAP_BITDEPTH, TWTY_UINT16, 24); }

std::uint32_t TwainDriver::set_transfer_count() { return set_one_value(CAP_XFERCOUNT, TWTY_INT16, 1); }

// ---- acquisition loop -----------------------------------------------------------

std::uint32_t TwainDriver::run_transfer(ImageSink& picture, bool show_interface) {
    TW_USERINTERFACE ui{};
    ui.ShowUI = show_interface ? 1 : 0;
    ui.ModalUI = 1;
    ui.hParent = msg_window_;
    if (to_source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) return kFailed;

    auto disable = [&] { return to_source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui); };

    // Every message of the thread is offered to the source first; what the
    // source consumed is not dispatched again.
    TW_UINT16 signal = MSG_NULL;
    while (signal == MSG_NULL) {
        const EventPump::Wait got = pump_.wait();
        if (got != EventPump::Wait::message) {
            // The host quits, or the queue broke: no transfer is ready, so
            // none is asked for; the source is disabled and the scan fails.
            if (got == EventPump::Wait::quit) {
                quit_received_ = true;
                quit_code_ = pump_.quit_code();
            }
            disable();
            return kFailed;
        }
        TW_EVENT event{};
        event.pEvent = pump_.message();
        const TW_UINT16 rc = to_source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ)
            signal = event.TWMessage;
        else if (rc != TWRC_DSEVENT)
            pump_.dispatch();
    }

    if (signal == MSG_XFERREADY) {
        TW_HANDLE image = nullptr;
        const bool transferred = to_source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &image) == TWRC_XFERDONE;
        if (!transferred) picture.release(image, shared());
        TW_PENDINGXFERS pending{};
        const bool ended = to_source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) == TWRC_SUCCESS;
        const bool taken = transferred && ended && picture.take(image, shared()) == kDone;
        picture.release(image, shared());  // whatever was not taken
        // Only one image is wanted: further pending ones are discarded on
        // every path, so the source goes back to its enabled state and can
        // be disabled. An end of transfer that was refused may have left
        // them pending too.
        if (!ended || pending.Count != 0) {
            TW_PENDINGXFERS reset{};
            to_source(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &reset);
        }
        if (!taken) {
            disable();
            return kFailed;
        }
    }
    return disable() == TWRC_SUCCESS ? kDone : kFailed;
}

}  // namespace korvix::twain
