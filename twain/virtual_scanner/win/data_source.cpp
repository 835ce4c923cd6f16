#include "twain/virtual_scanner/win/data_source.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "twain/virtual_scanner/cap_container.h"
#include "twain/virtual_scanner/test_page.h"
#include "twain/virtual_scanner/win/scanner_dialog.h"

namespace korvix::twain {

namespace {

using DsmEntryProc = TW_UINT16(WINAPI*)(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

const char* pixel_type_name(TW_UINT16 type) noexcept {
    return type == TWPT_BW ? "black and white" : type == TWPT_GRAY ? "grey" : "colour";
}

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* source = reinterpret_cast<DataSource*>(::GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        ::SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        return TRUE;
    case WM_COMMAND:
        if (source && LOWORD(wparam) == IDOK) source->scan_pressed();
        if (source && LOWORD(wparam) == IDCANCEL) source->cancel_pressed();
        return TRUE;
    case WM_CLOSE:
        if (source) source->cancel_pressed();
        return TRUE;
    default:
        return FALSE;
    }
}

// A small "scanning" window while the page is drawn, when indicators are on.
class Indicator {
public:
    explicit Indicator(bool shown) noexcept {
        if (!shown) return;
        window_.reset(::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "STATIC",
                                        "Korvix Virtual Scanner: scanning...", WS_POPUP | WS_BORDER | SS_CENTER,
                                        40, 40, 320, 24, nullptr, nullptr, nullptr, nullptr));
        if (window_) {
            ::ShowWindow(window_.get(), SW_SHOWNOACTIVATE);
            ::UpdateWindow(window_.get());
        }
    }

private:
    unique_hwnd window_;
};

}  // namespace

unique_hglobal global_copy(const void* bytes, std::size_t size) noexcept {
    unique_hglobal block(::GlobalAlloc(GMEM_MOVEABLE, size));
    global_lock at(block.get());
    if (!at.get()) return {};
    std::memcpy(at.get(), bytes, size);
    return block;
}

DataSource::DataSource(HINSTANCE module, const char* product_name) noexcept
    : module_(module), product_name_(product_name) {}

DataSource::~DataSource() = default;

TW_UINT16 DataSource::fail(TW_UINT16 condition) noexcept {
    condition_ = condition;
    return TWRC_FAILURE;
}

TW_UINT16 DataSource::entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                            TW_MEMREF data) noexcept {
    if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET && data) {
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = condition_;
        condition_ = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (!data) return fail(TWCC_BADVALUE);
    condition_ = TWCC_SUCCESS;
    if (dg == DG_CONTROL && dat == DAT_IDENTITY) return identity(origin, msg, *static_cast<TW_IDENTITY*>(data));
    if (state_ < kOpen) return fail(TWCC_SEQERROR);

    if (dg == DG_CONTROL && dat == DAT_CAPABILITY) return capability_request(msg, *static_cast<TW_CAPABILITY*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGELAYOUT) {
        if ((msg == MSG_SET || msg == MSG_RESET) && state_ != kOpen) return fail(TWCC_SEQERROR);
        const CapResult r = image_layout(msg, *static_cast<TW_IMAGELAYOUT*>(data));
        if (r.rc == TWRC_FAILURE) condition_ = r.cc;
        return r.rc;
    }
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS) {
        if (state_ != kOpen) return fail(TWCC_SEQERROR);
        state_ = kEnabled;
        const TW_UINT16 rc = enable(*static_cast<TW_USERINTERFACE*>(data));
        if (rc != TWRC_SUCCESS) {
            close_dialog();
            drop_page();
            state_ = kOpen;
        }
        return rc;
    }
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS) {
        if (state_ != kEnabled) return fail(TWCC_SEQERROR);
        return disable();
    }
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT)
        return process_event(*static_cast<TW_EVENT*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO && msg == MSG_GET) return image_info(*static_cast<TW_IMAGEINFO*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
        if (state_ != kReady) return fail(TWCC_SEQERROR);
        return native_transfer(*static_cast<TW_HANDLE*>(data));
    }
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS) return pending_request(msg, *static_cast<TW_PENDINGXFERS*>(data));
    return fail(TWCC_BADPROTOCOL);
}

// ---- identity and life cycle ------------------------------------------------------

TW_UINT16 DataSource::identity(TW_IDENTITY* origin, TW_UINT16 msg, TW_IDENTITY& id) noexcept {
    if (msg == MSG_GET || msg == MSG_OPENDS) {
        if (msg == MSG_OPENDS && state_ != kLoaded) return fail(TWCC_SEQERROR);
        if (msg == MSG_OPENDS && !may_open(id)) return fail(TWCC_OPERATIONERROR);
        const TW_UINT32 assigned = id.Id;  // the DSM's number for this source
        id = TW_IDENTITY{};
        id.Id = assigned;
        id.Version.MajorNum = 1;
        id.Version.MinorNum = 0;
        id.Version.Language = TWLG_USA;
        id.Version.Country = TWCY_USA;
        set_text(id.Version.Info, "1.0");
        id.ProtocolMajor = 1;
        id.ProtocolMinor = 9;
        id.SupportedGroups = DG_CONTROL | DG_IMAGE;
        set_text(id.Manufacturer, "Korvix");
        set_text(id.ProductFamily, "Virtual Scanner");
        set_text(id.ProductName, product_name_.c_str());
        if (msg == MSG_GET) return TWRC_SUCCESS;
        self_ = id;
        app_ = origin ? *origin : TW_IDENTITY{};
        settings_.reset_all();
        pending_ = 0;
        state_ = kOpen;
        on_open();
        return TWRC_SUCCESS;
    }
    if (msg == MSG_CLOSEDS) {
        if (state_ < kOpen) return fail(TWCC_SEQERROR);
        close();
        return TWRC_SUCCESS;
    }
    return fail(TWCC_BADPROTOCOL);
}

void DataSource::close() noexcept {
    close_dialog();
    drop_page();
    pending_ = 0;
    state_ = kLoaded;
}

bool DataSource::signal(TW_UINT16 message) noexcept {
    HMODULE dsm = ::GetModuleHandleA("TWAIN_32.DLL");
    auto entry = dsm ? reinterpret_cast<DsmEntryProc>(::GetProcAddress(dsm, "DSM_Entry")) : nullptr;
    return entry && entry(&self_, &app_, DG_CONTROL, DAT_NULL, message, nullptr) == TWRC_SUCCESS;
}

// ---- capabilities ------------------------------------------------------------------

TW_UINT16 DataSource::capability_request(TW_UINT16 msg, TW_CAPABILITY& cap) noexcept {
    if ((msg == MSG_SET || msg == MSG_RESET) && state_ != kOpen) return fail(TWCC_SEQERROR);
    const CapResult r = capability(msg, cap);
    if (r.rc == TWRC_FAILURE) condition_ = r.cc;
    return r.rc;
}

CapResult DataSource::capability(TW_UINT16 msg, TW_CAPABILITY& cap) noexcept {
    try {
        if (msg == MSG_SET) {
            HGLOBAL block = static_cast<HGLOBAL>(cap.hContainer);
            global_lock at(block);
            TW_ONEVALUE value;
            if (!read_one_value(cap.ConType, static_cast<const std::uint8_t*>(at.get()),
                                at.get() ? ::GlobalSize(block) : 0, value))
                return {TWRC_FAILURE, TWCC_BADVALUE};
            return settings_.set(cap.Cap, value);
        }
        CapContainer container;
        CapResult r;
        if (msg == MSG_QUERYSUPPORT) {
            TW_INT32 messages = 0;
            r = settings_.query_support(cap.Cap, messages);
            container = CapContainer::one(TWTY_INT32, static_cast<TW_UINT32>(messages));
        } else if (msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT || msg == MSG_RESET) {
            r = settings_.get(cap.Cap, msg, container);
        } else {
            return {TWRC_FAILURE, TWCC_BADPROTOCOL};
        }
        return r.rc == TWRC_SUCCESS ? hand_over(container, cap) : r;
    } catch (...) {
        return {TWRC_FAILURE, TWCC_LOWMEMORY};
    }
}

CapResult DataSource::hand_over(const CapContainer& container, TW_CAPABILITY& cap) noexcept {
    try {
        const std::vector<std::uint8_t> bytes = pack(container);
        unique_hglobal block = global_copy(bytes.data(), bytes.size());
        if (!block) return {TWRC_FAILURE, TWCC_LOWMEMORY};
        cap.ConType = container.con_type;
        cap.hContainer = block.release();  // the application frees it
        return {};
    } catch (...) {
        return {TWRC_FAILURE, TWCC_LOWMEMORY};
    }
}

CapResult DataSource::image_layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout) noexcept {
    switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT: settings_.get_layout(layout, false); return {};
    case MSG_GETDEFAULT: settings_.get_layout(layout, true); return {};
    case MSG_RESET: settings_.reset_layout(); settings_.get_layout(layout, false); return {};
    case MSG_SET: return settings_.set_layout(layout);
    default: return {TWRC_FAILURE, TWCC_BADPROTOCOL};
    }
}

// ---- enabled: dialog, scanning, transfer -----------------------------------------------

TW_UINT16 DataSource::enable(const TW_USERINTERFACE& ui) noexcept {
    if (ui.ShowUI) {
        show_dialog(static_cast<HWND>(ui.hParent));
        return dialog_ ? TWRC_SUCCESS : fail(TWCC_LOWMEMORY);
    }
    if (!scan_page()) return fail(TWCC_LOWMEMORY);
    signal(MSG_XFERREADY);
    return TWRC_SUCCESS;
}

void DataSource::show_dialog(HWND parent) noexcept {
    dialog_.reset(::CreateDialogParamA(module_, MAKEINTRESOURCEA(KORVIX_IDD_SCANNER), parent, dialog_proc,
                                       reinterpret_cast<LPARAM>(this)));
    if (!dialog_) return;
    const PageFormat f = settings_.page();
    char text[160];
    std::snprintf(text, sizeof text, "%s page, %.0f x %.0f dpi, %d x %d pixels.\nPlace the page and press Scan.",
                  pixel_type_name(settings_.pixel_type()), f.x_dpi, f.y_dpi, f.width, f.height);
    ::SetDlgItemTextA(dialog_.get(), KORVIX_IDC_SETTINGS, text);
    ::ShowWindow(dialog_.get(), SW_SHOW);
}

void DataSource::close_dialog() noexcept { dialog_.reset(); }

bool DataSource::scan_page() noexcept {
    const PageFormat f = settings_.page();
    const std::uint64_t bytes = page_dib_bytes(f);
    if (bytes == 0 || bytes > SIZE_MAX) return false;
    Indicator indicator(settings_.indicators());
    unique_hglobal block(::GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(bytes)));
    if (!block) return false;
    {
        global_lock at(block.get());
        if (!at.get()) return false;
        render_page(f, static_cast<std::uint8_t*>(at.get()));
    }
    page_ = std::move(block);
    page_format_ = f;
    pending_ = 1;
    state_ = kReady;
    return true;
}

void DataSource::scan_pressed() noexcept {
    if (state_ != kEnabled) return;
    if (scan_page()) {
        signal(MSG_XFERREADY);
    } else {
        condition_ = TWCC_LOWMEMORY;
        signal(MSG_CLOSEDSREQ);
    }
}

void DataSource::cancel_pressed() noexcept {
    if (state_ >= kEnabled) signal(MSG_CLOSEDSREQ);
}

TW_UINT16 DataSource::process_event(TW_EVENT& event) noexcept {
    event.TWMessage = MSG_NULL;
    auto* msg = static_cast<MSG*>(event.pEvent);
    if (state_ >= kEnabled && dialog_ && msg && ::IsDialogMessageA(dialog_.get(), msg)) return TWRC_DSEVENT;
    return TWRC_NOTDSEVENT;
}

TW_UINT16 DataSource::image_info(TW_IMAGEINFO& info) noexcept {
    if (state_ != kReady && state_ != kTransferring) return fail(TWCC_SEQERROR);
    info = TW_IMAGEINFO{};
    info.XResolution = fix32_of(page_format_.x_dpi);
    info.YResolution = fix32_of(page_format_.y_dpi);
    info.ImageWidth = page_format_.width;
    info.ImageLength = page_format_.height;
    const bool colour = page_format_.bit_count == 24;
    info.SamplesPerPixel = colour ? 3 : 1;
    for (int i = 0; i < info.SamplesPerPixel; ++i) info.BitsPerSample[i] = colour ? 8 : page_format_.bit_count;
    info.BitsPerPixel = static_cast<TW_INT16>(page_format_.bit_count);
    info.PixelType = static_cast<TW_INT16>(settings_.pixel_type());
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::native_transfer(TW_HANDLE& dib) noexcept {
    if (!page_) return fail(TWCC_BUMMER);
    dib = page_.release();  // the application owns it now
    state_ = kTransferring;
    return TWRC_XFERDONE;
}

TW_UINT16 DataSource::end_transfer(TW_PENDINGXFERS& pending) noexcept {
    drop_page();
    pending_ = 0;  // one page on the bed: nothing more to give
    pending.Count = 0;
    state_ = kEnabled;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::pending_request(TW_UINT16 msg, TW_PENDINGXFERS& pending) noexcept {
    if (msg == MSG_GET) {
        pending.Count = pending_;
        return TWRC_SUCCESS;
    }
    if (msg == MSG_ENDXFER) {
        if (state_ != kReady && state_ != kTransferring) return fail(TWCC_SEQERROR);
        return end_transfer(pending);
    }
    if (msg == MSG_RESET) {
        if (state_ != kReady) return fail(TWCC_SEQERROR);
        drop_page();
        pending_ = 0;
        pending.Count = 0;
        state_ = kEnabled;
        return TWRC_SUCCESS;
    }
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::disable() noexcept {
    close_dialog();
    state_ = kOpen;
    return TWRC_SUCCESS;
}

}  // namespace korvix::twain
