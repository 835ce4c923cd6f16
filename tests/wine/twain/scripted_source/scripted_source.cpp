// A data source that misbehaves as a test asks. It reads its scenario from
// the environment variable KORVIX_SCRIPTED_SOURCE each time it is opened, as
// space-separated words, and does as the virtual scanner does where they are
// silent. Installed in the Wine prefix in place of the virtual scanner, so
// that the real DSM drives it.
//
//   refuse_set=<cap, 4 hex digits>  refuse_get=<cap>  uicontrollable=0  width=0
//   layout=refuse|checkstatus   signal=closedsreq|never (never: until its window is closed)
//   xfer=cancel|cancel_nohandle|failure   endxfer=refuse   pending   disable=refuse
//   dib=<kind, as tests/native/twain/test_dibs.h names it>: sent instead of the page
//   hbitmap: the dib goes out as a DIB section's handle, as cameras do
//   refuse_zero_identity: MSG_OPENDS refused unless the DSM names this source
//   refuse_open: MSG_OPENDS always refused (a scanner unplugged)
//
// What it saw, for the test to read in the same process: the bitmap handle it
// handed over (KORVIX_SCRIPTED_SOURCE_HANDED, hexadecimal), and how its last
// MSG_DISABLEDS ended (KORVIX_SCRIPTED_SOURCE_DISABLE: "done", or "refused"
// when it came with transfers still pending or was scripted to fail).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/native/twain/test_dibs.h"
#include "twain/dib_layout.h"
#include "twain/virtual_scanner/win/data_source.h"

namespace korvix::twain {
namespace {

HINSTANCE g_module = nullptr;

class ScriptedSource final : public DataSource {
public:
    ScriptedSource() : DataSource(g_module, "Korvix Scripted Source") {}

protected:
    bool may_open(const TW_IDENTITY& asked) noexcept override {
        read_scenario();
        if (has("refuse_open")) return false;
        return !(has("refuse_zero_identity") && asked.ProductName[0] == '\0');
    }

    void on_open() noexcept override { read_scenario(); }

    CapResult capability(TW_UINT16 msg, TW_CAPABILITY& cap) noexcept override {
        char refuse[24];
        std::snprintf(refuse, sizeof refuse, "refuse_%s=%04X", msg == MSG_SET ? "set" : "get", cap.Cap);
        if ((msg == MSG_SET || msg == MSG_GET) && has(refuse)) return {TWRC_FAILURE, TWCC_BADVALUE};
        if (msg == MSG_GET && cap.Cap == CAP_UICONTROLLABLE && has("uicontrollable=0"))
            return hand_over(CapContainer::one(TWTY_BOOL, 0), cap);
        if (msg == MSG_GET && cap.Cap == ICAP_PHYSICALWIDTH && has("width=0"))
            return hand_over(CapContainer::one(TWTY_FIX32, 0), cap);
        return DataSource::capability(msg, cap);
    }

    CapResult image_layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout) noexcept override {
        if (msg == MSG_SET && has("layout=refuse")) return {TWRC_FAILURE, TWCC_BADVALUE};
        const CapResult r = DataSource::image_layout(msg, layout);
        const bool adjust = msg == MSG_SET && r.rc == TWRC_SUCCESS && has("layout=checkstatus");
        return adjust ? CapResult{TWRC_CHECKSTATUS, TWCC_SUCCESS} : r;
    }

    TW_UINT16 enable(const TW_USERINTERFACE& ui) noexcept override {
        if (has("signal=never")) {  // its window waits for the user, who can only close it
            show_dialog(static_cast<HWND>(ui.hParent));
            if (dialog()) ::EnableWindow(::GetDlgItem(dialog(), IDOK), FALSE);
            return TWRC_SUCCESS;
        }
        if (has("signal=closedsreq")) return signal(MSG_CLOSEDSREQ), TWRC_SUCCESS;
        if (ui.ShowUI || dib_.empty()) return DataSource::enable(ui);
        state_ = kReady;  // the scripted DIB is made at the transfer
        pending_ = 1;
        signal(MSG_XFERREADY);
        return TWRC_SUCCESS;
    }

    TW_UINT16 native_transfer(TW_HANDLE& dib) noexcept override {
        if (has("xfer=failure")) return fail(TWCC_OPERATIONERROR);
        if (has("xfer=cancel_nohandle")) return TWRC_CANCEL;
        TW_UINT16 rc = TWRC_XFERDONE;
        if (dib_.empty()) {
            rc = DataSource::native_transfer(dib);
        } else {
            drop_page();
            const std::vector<std::uint8_t> bytes = test::make_dib(test::parse_kind(dib_));
            dib = has("hbitmap") ? dib_section(bytes) : global_copy(bytes.data(), bytes.size()).release();
            state_ = kTransferring;
        }
        return rc == TWRC_XFERDONE && has("xfer=cancel") ? TWRC_CANCEL : rc;
    }

    TW_UINT16 end_transfer(TW_PENDINGXFERS& pending) noexcept override {
        if (has("endxfer=refuse")) return fail(TWCC_SEQERROR);
        DataSource::end_transfer(pending);
        if (has("pending")) {  // more pages in the feeder: transfer ready again
            pending.Count = pending_ = 1;
            state_ = kReady;
        }
        return TWRC_SUCCESS;
    }

    TW_UINT16 disable() noexcept override {
        return has("disable=refuse") ? fail(TWCC_SEQERROR) : DataSource::disable();
    }

private:
    bool has(const std::string& word) const { return words_.find(" " + word + " ") != std::string::npos; }

    void read_scenario() {
        char text[512] = {};
        ::GetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE", text, sizeof text);
        words_ = std::string(" ") + text + " ";
        const std::size_t dib = words_.find(" dib=");
        dib_ = dib == std::string::npos ? "" : words_.substr(dib + 5, words_.find(' ', dib + 1) - dib - 5);
    }

    // The packed DIB as a DIB section of the same form, its handle noted.
    static HBITMAP dib_section(const std::vector<std::uint8_t>& bytes) {
        const DibCheck check = check_dib(bytes.data(), bytes.size());
        void* bits = nullptr;
        const HBITMAP section =
            check ? ::CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(bytes.data()), DIB_RGB_COLORS,
                                       &bits, nullptr, 0)
                  : nullptr;
        if (!section || !bits) return nullptr;
        const DibLayout& l = check.layout;
        std::memcpy(bits, bytes.data() + l.pixel_offset, l.row_bytes * static_cast<std::size_t>(l.height));
        char handle[24];
        std::snprintf(handle, sizeof handle, "%lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(section)));
        ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE_HANDED", handle);
        return section;
    }

    std::string words_, dib_;
};

}  // namespace
}  // namespace korvix::twain

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) korvix::twain::g_module = instance;
    return TRUE;
}

extern "C" korvix::twain::TW_UINT16 WINAPI DS_Entry(korvix::twain::TW_IDENTITY* origin, korvix::twain::TW_UINT32 dg,
                                                    korvix::twain::TW_UINT16 dat, korvix::twain::TW_UINT16 msg,
                                                    korvix::twain::TW_MEMREF data) {
    using namespace korvix::twain;
    static ScriptedSource source;
    const TW_UINT16 rc = source.entry(origin, dg, dat, msg, data);
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS)
        ::SetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE_DISABLE", rc == TWRC_SUCCESS ? "done" : "refused");
    return rc;
}
