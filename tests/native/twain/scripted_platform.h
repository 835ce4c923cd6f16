// A scripted DSM, source, memory, event pump, message window and picture
// sink for the driver: every call is answered as the script says and
// recorded as one line of a trace, and every global block is tracked so a
// test can check that nothing was leaked, freed twice or left locked.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "twain/twain_platform.h"
#include "twain/twain_types.h"

namespace korvix::twain::test {

// What the source answers to a MSG_GET of one capability.
struct get_answer {
    TW_UINT16 rc = TWRC_SUCCESS;
    TW_UINT16 con_type = TWON_ONEVALUE;
    std::vector<std::uint8_t> container;  // the bytes put in hContainer; empty: no container
};
get_answer one_value(TW_UINT16 item_type, TW_UINT32 item);
get_answer fix32_value_answer(double value);

// One turn of the event loop: what the pump's wait() gives, and what the
// source makes of the message.
struct event_turn {
    EventPump::Wait wait = EventPump::Wait::message;
    TW_UINT16 tw_message = MSG_NULL;
    TW_UINT16 rc = TWRC_NOTDSEVENT;
    int quit_code = 0;
};

struct script {
    TW_UINT16 open_dsm = TWRC_SUCCESS, open_ds = TWRC_SUCCESS, user_select = TWRC_SUCCESS;
    TW_UINT16 close_dsm = TWRC_SUCCESS;
    std::map<TW_UINT16, TW_UINT16> set_rc;  // capability -> MSG_SET answer (default success)
    std::map<TW_UINT16, get_answer> gets;   // capability -> MSG_GET answer (defaults below)
    TW_UINT16 layout_rc = TWRC_SUCCESS;
    TW_UINT16 enable_rc = TWRC_SUCCESS, disable_rc = TWRC_SUCCESS;
    std::vector<event_turn> turns{{EventPump::Wait::message, MSG_XFERREADY, TWRC_DSEVENT}};
    TW_UINT16 xfer_rc = TWRC_XFERDONE;
    bool xfer_gives_handle = true;
    TW_UINT16 endxfer_rc = TWRC_SUCCESS;
    TW_UINT16 pending_after_end = 0;
    TW_UINT32 sink_status = 0;      // what DibToPicture answers
    bool sink_frees_dib = true;     // whether it freed the DIB (it must when it succeeds)
    bool window_created = true, window_destroyed = true;
    bool throw_at_first_call = false;  // the DSM library cannot be bound
};

class scripted_platform final : public DsmEntry,
                                public GlobalMemory,
                                public EventPump,
                                public MessageWindows,
                                public ImageSink {
public:
    explicit scripted_platform(script s);
    ~scripted_platform();

    std::vector<std::string> trace;
    std::vector<std::string> faults;  // protocol or memory misuse seen by the fakes
    bool picture_replaced = false;
    // Runs inside the loop's dispatch of the turn with that index.
    std::function<void()> on_dispatch;

    // Global blocks still allocated / locked, by anyone (driver or source).
    std::size_t live_blocks() const noexcept { return blocks_.size(); }

    // DsmEntry
    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data) override;
    // GlobalMemory
    TW_HANDLE alloc_zeroed(std::size_t bytes) noexcept override;
    void* lock(TW_HANDLE block) noexcept override;
    void unlock(TW_HANDLE block) noexcept override;
    bool free(TW_HANDLE block) noexcept override;
    std::size_t size(TW_HANDLE block) noexcept override;
    // EventPump
    Wait wait() noexcept override;
    void* message() noexcept override { return &message_; }
    int quit_code() const noexcept override { return quit_code_; }
    void dispatch() noexcept override;
    void repost_quit(int exit_code) noexcept override;
    // MessageWindows
    TW_HANDLE create() noexcept override;
    bool destroy(TW_HANDLE window) noexcept override;
    // ImageSink
    TW_UINT32 take(TW_HANDLE& dib) noexcept override;

private:
    struct block {
        std::vector<std::uint8_t> bytes;
        int locks = 0;
    };
    TW_UINT16 to_dsm(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 to_source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 capability(TW_UINT16 msg, TW_CAPABILITY& cap);
    block* find(TW_HANDLE h) noexcept;

    script s_;
    std::set<block*> blocks_;
    int window_tag_ = 0;  // the window "handle" points at this
    bool window_alive_ = false;
    bool dsm_open_ = false;
    TW_UINT32 opened_id_ = 0;
    const TW_IDENTITY* app_ = nullptr;
    std::size_t turn_ = 0;
    int message_ = 0;
    int quit_code_ = 0;
    bool first_call_ = true;
    const TW_USERINTERFACE* enabled_with_ = nullptr;
};

}  // namespace korvix::twain::test
