// The control's TWAIN driver (cTwain): one short-lived DSM connection per
// call. acquire() opens the DSM and its default source, negotiates the scan,
// runs the thread's messages through the DSM until the source has an image
// or is closed, takes one native transfer and closes everything again;
// choose_source() lets the user pick the DSM's default source;
// list_sources() names the sources the DSM knows.
//
// It speaks TWAIN 1.x, as the 32-bit control always has, or TWAIN 2 where
// the 64-bit control asks: the application's identity then carries DF_APP2,
// and when the DSM answers with DF_DSM2, every block shared with a source
// (capability containers, the transferred DIB) is allocated, locked and
// freed through the DSM's own functions (DAT_ENTRYPOINT).
//
// Statuses as the control expects them: 0 done, 1 failed. A call made while
// another one runs (from a message handler of the nested loop) returns 1 at
// once and leaves the running one alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "twain/entry_point_memory.h"
#include "twain/twain_platform.h"
#include "twain/twain_types.h"

namespace korvix::twain {

class TwainDriver {
public:
    enum class Protocol { twain1, twain2 };

    TwainDriver(DsmEntry& dsm, GlobalMemory& memory, EventPump& pump, MessageWindows& windows,
                Protocol protocol = Protocol::twain1) noexcept
        : dsm_(dsm), memory_(memory), pump_(pump), windows_(windows), protocol_(protocol) {}
    TwainDriver(const TwainDriver&) = delete;
    TwainDriver& operator=(const TwainDriver&) = delete;

    // Acquire. color_type goes to the source as the pixel type.
    std::uint32_t acquire(ImageSink& picture, std::int16_t resolution, std::int32_t color_type, bool show_progress,
                          bool show_interface);
    // ChooseSource.
    std::uint32_t choose_source();
    // The names of the DSM's sources, in its order (at most kMostSources):
    // 0 when the DSM opened, even with none to list.
    std::uint32_t list_sources(std::vector<std::string>& names);
    static constexpr std::size_t kMostSources = 64;

    // The source acquire() opens by name rather than the DSM's default;
    // empty (as by default) for the default. A name the DSM does not open
    // falls back to the default.
    void set_preferred_source(const std::string& product_name) { preferred_ = product_name; }
    // The source the last call opened, or the one the user chose; empty
    // when none.
    const std::string& source_name() const noexcept { return source_name_; }

    bool busy() const noexcept { return busy_; }
    // The resolution the last acquire() set on the source; 0 when the
    // source kept its own settings.
    std::int16_t resolution_sent() const noexcept { return resolution_sent_; }

private:
    class CallScope;

    TW_UINT16 to_dsm(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 to_source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // The memory shared with the source in this call.
    GlobalMemory& shared() noexcept { return dsm_memory_ ? static_cast<GlobalMemory&>(*dsm_memory_) : memory_; }

    std::uint32_t open_dsm();
    std::uint32_t connect_source();
    std::uint32_t open_default_source();
    std::uint32_t disconnect_source();

    // Capability negotiation.
    std::uint32_t set_one_value(TW_UINT16 cap, TW_UINT16 item_type, TW_UINT32 item);
    bool get_current_value(TW_UINT16 cap, TW_UINT32& item);
    std::uint32_t disable_indicators();
    enum class UiControllable { yes, no, unanswered };
    UiControllable query_ui_controllable();
    void offer_settings(std::int16_t resolution, std::int32_t color_type);
    std::uint32_t set_full_image_layout();
    std::uint32_t set_resolution(std::int16_t resolution);
    std::uint32_t set_pixel_type();
    std::uint32_t set_bit_depth_24();
    std::uint32_t set_transfer_count();

    // Enable, event loop, native transfer, disable.
    std::uint32_t run_transfer(ImageSink& picture, bool show_interface);

    DsmEntry& dsm_;
    GlobalMemory& memory_;
    EventPump& pump_;
    MessageWindows& windows_;
    Protocol protocol_;
    std::optional<EntryPointMemory> dsm_memory_;  // a TWAIN 2 DSM's, for this call
    std::string preferred_;
    std::string source_name_;

    TW_HANDLE msg_window_ = nullptr;  // MsgWindow
    TW_IDENTITY app_identity_{};      // AppIdentity
    TW_IDENTITY src_identity_{};      // SrcIdentity: the source that was opened
    bool source_open_ = false;
    std::int32_t pixel_type_ = 0;     // PixelType
    std::int16_t resolution_sent_ = 0;
    bool busy_ = false;
    bool quit_received_ = false;
    int quit_code_ = 0;
};

}  // namespace korvix::twain
