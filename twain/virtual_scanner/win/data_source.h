// A TWAIN 1.9 data source under Windows: the states 3 to 7 and the requests
// allowed in each, capability containers in global memory, the signals to
// the application through the DSM, the optional dialog with Scan and
// Cancel, and the native transfer of the page. The shipped virtual scanner
// is this class as it is; a test source overrides the hooks to misbehave.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/unique_resource.h"
#include "twain/twain_types.h"
#include "twain/virtual_scanner/flatbed_settings.h"

namespace korvix::twain {

// A movable global block holding a copy of the bytes; empty when out of memory.
unique_hglobal global_copy(const void* bytes, std::size_t size) noexcept;

class DataSource {
public:
    // module: the .ds whose dialog resource (id 100) the source shows.
    DataSource(HINSTANCE module, const char* product_name) noexcept;
    virtual ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    // DS_Entry.
    TW_UINT16 entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) noexcept;

    // The dialog's buttons.
    void scan_pressed() noexcept;
    void cancel_pressed() noexcept;

protected:
    enum State { kLoaded = 3, kOpen = 4, kEnabled = 5, kReady = 6, kTransferring = 7 };

    // Hooks, with the well-behaved source's answers.
    // Whether MSG_OPENDS with this identity (as the DSM passed it) opens the source.
    virtual bool may_open(const TW_IDENTITY& /*asked*/) noexcept { return true; }
    virtual void on_open() noexcept {}
    virtual CapResult capability(TW_UINT16 msg, TW_CAPABILITY& cap) noexcept;
    virtual CapResult image_layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout) noexcept;
    // Shows the dialog, or scans at once and signals a transfer.
    virtual TW_UINT16 enable(const TW_USERINTERFACE& ui) noexcept;
    // Hands over the page scanned before the transfer was signalled.
    virtual TW_UINT16 native_transfer(TW_HANDLE& dib) noexcept;
    virtual TW_UINT16 end_transfer(TW_PENDINGXFERS& pending) noexcept;
    virtual TW_UINT16 disable() noexcept;

    // For the hooks.
    TW_UINT16 fail(TW_UINT16 condition) noexcept;
    // Answers a get with the container, in a global block the application frees.
    CapResult hand_over(const CapContainer& container, TW_CAPABILITY& cap) noexcept;
    bool signal(TW_UINT16 message) noexcept;  // MSG_XFERREADY or MSG_CLOSEDSREQ through the DSM
    bool scan_page() noexcept;                // draws the page for the settings; true when ready
    void show_dialog(HWND parent) noexcept;
    void close_dialog() noexcept;
    void drop_page() noexcept { page_.reset(); }
    HWND dialog() const noexcept { return dialog_.get(); }

    FlatbedSettings settings_;
    State state_ = kLoaded;
    TW_UINT16 pending_ = 0;

private:
    TW_UINT16 identity(TW_IDENTITY* origin, TW_UINT16 msg, TW_IDENTITY& id) noexcept;
    TW_UINT16 capability_request(TW_UINT16 msg, TW_CAPABILITY& cap) noexcept;
    TW_UINT16 image_info(TW_IMAGEINFO& info) noexcept;
    TW_UINT16 process_event(TW_EVENT& event) noexcept;
    TW_UINT16 pending_request(TW_UINT16 msg, TW_PENDINGXFERS& pending) noexcept;
    void close() noexcept;

    HINSTANCE module_;
    std::string product_name_;
    TW_IDENTITY self_{};
    TW_IDENTITY app_{};
    TW_UINT16 condition_ = TWCC_SUCCESS;
    unique_hwnd dialog_;
    unique_hglobal page_;  // scanned, not yet transferred
    PageFormat page_format_;
};

}  // namespace korvix::twain
