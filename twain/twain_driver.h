// The control's TWAIN driver (cTwain): one short-lived DSM connection per
// call. acquire() opens the DSM and its default source, negotiates the scan,
// runs the thread's messages through the DSM until the source has an image
// or is closed, takes one native transfer and closes everything again;
// choose_source() lets the user pick the DSM's default source.
//
// Statuses as the control expects them: 0 done, 1 failed. A call made while
// another one runs (from a message handler of the nested loop) returns 1 at
// once and leaves the running one alone.
#pragma once

#include <cstdint>

#include "twain/twain_platform.h"
#include "twain/twain_types.h"

namespace korvix::twain {

class TwainDriver {
public:
    TwainDriver(DsmEntry& dsm, GlobalMemory& memory, EventPump& pump, MessageWindows& windows) noexcept
        : dsm_(dsm), memory_(memory), pump_(pump), windows_(windows) {}
    TwainDriver(const TwainDriver&) = delete;
    TwainDriver& operator=(const TwainDriver&) = delete;

    // Acquire. color_type goes to the source as the pixel type.
    std::uint32_t acquire(ImageSink& picture, std::int16_t resolution, std::int32_t color_type, bool show_progress,
                          bool show_interface);
    // ChooseSource.
    std::uint32_t choose_source();

    bool busy() const noexcept { return busy_; }
    // The resolution the last acquire() set on the source; 0 when the
    // source kept its own settings.
    std::int16_t resolution_sent() const noexcept { return resolution_sent_; }

private:
    class CallScope;

    TW_UINT16 to_dsm(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 to_source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

    void present_application();  // fills AppIdentity
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
