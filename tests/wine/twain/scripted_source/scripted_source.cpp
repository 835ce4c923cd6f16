// A data source that misbehaves as a test asks: the scenario is read from
// the environment variable KORVIX_SCRIPTED_SOURCE when the source is opened
// (space-separated key=value words, below). Installed in the Wine prefix in
// place of the virtual scanner, so the real DSM drives it. Whatever the
// scenario leaves out, it does as the virtual scanner does.
//
//   refuse_set=<cap>,...   MSG_SET of these capabilities fails (hex ids)
//   refuse_get=<cap>,...   MSG_GET of these fails
//   layout=refuse|checkstatus
//   uicontrollable=0       CAP_UICONTROLLABLE answers FALSE
//   width=0                ICAP_PHYSICALWIDTH answers 0
//   signal=closedsreq|never  instead of MSG_XFERREADY (never: only when its
//                          window is closed does it ask to be closed)
//   xfer=cancel|cancel_nohandle|failure
//   endxfer=refuse   pending=<n>   disable=refuse
//   dib=<bits>[,clr=<n>][,bitfields][,v5][,topdown][,lie][,huge][,noppm][,size=<w>x<h>]
//
// KorvixScriptedLog() returns the requests seen since the last open.
#include <windows.h>

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "tests/wine/twain/scripted_pattern.h"
#include "twain/virtual_scanner/win/data_source.h"

namespace korvix::twain {
namespace {

HINSTANCE g_module = nullptr;

struct scenario {
    std::set<TW_UINT16> refuse_set, refuse_get;
    std::string layout, signal, xfer, dib_shape;
    bool ui_controllable = true, width_zero = false, refuse_endxfer = false, refuse_disable = false;
    TW_UINT16 pending = 0;
};

std::set<TW_UINT16> caps_of(const std::string& list) {
    std::set<TW_UINT16> caps;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) caps.insert(static_cast<TW_UINT16>(std::strtoul(item.c_str(), nullptr, 16)));
    return caps;
}

scenario read_scenario() {
    scenario s;
    char text[1024] = {};
    if (!::GetEnvironmentVariableA("KORVIX_SCRIPTED_SOURCE", text, sizeof text)) return s;
    std::stringstream words(text);
    std::string word;
    while (words >> word) {
        const std::size_t eq = word.find('=');
        const std::string key = word.substr(0, eq), value = eq == std::string::npos ? "" : word.substr(eq + 1);
        if (key == "refuse_set") s.refuse_set = caps_of(value);
        else if (key == "refuse_get") s.refuse_get = caps_of(value);
        else if (key == "layout") s.layout = value;
        else if (key == "uicontrollable") s.ui_controllable = value != "0";
        else if (key == "width") s.width_zero = value == "0";
        else if (key == "signal") s.signal = value;
        else if (key == "xfer") s.xfer = value;
        else if (key == "endxfer") s.refuse_endxfer = value == "refuse";
        else if (key == "pending") s.pending = static_cast<TW_UINT16>(std::atoi(value.c_str()));
        else if (key == "disable") s.refuse_disable = value == "refuse";
        else if (key == "dib") s.dib_shape = value;
    }
    return s;
}

// A DIB of the kind "bits[,clr=n][,bitfields][,v5][,topdown][,lie][,huge][,noppm][,size=WxH]" in a
// global block; noppm: no resolution stated.
HGLOBAL dib_block(const std::string& shape) {
    test::dib_kind kind;
    bool lie = false, huge = false, no_resolution = false;
    std::stringstream in(shape);
    std::string part;
    std::getline(in, part, ',');
    kind.bits = static_cast<std::uint16_t>(std::atoi(part.c_str()));
    while (std::getline(in, part, ',')) {
        if (part.rfind("clr=", 0) == 0) kind.clr_used = static_cast<std::uint32_t>(std::atoi(part.c_str() + 4));
        else if (part == "bitfields") kind.bitfields = true;
        else if (part == "v5") kind.header = 124;
        else if (part == "topdown") kind.top_down = true;
        else if (part == "lie") lie = true;
        else if (part == "huge") huge = true;
        else if (part == "noppm") no_resolution = true;
        else if (part.rfind("size=", 0) == 0) std::sscanf(part.c_str() + 5, "%dx%d", &kind.width, &kind.height);
    }
    std::vector<std::uint8_t> bytes = test::make_dib(kind);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); };
    if (no_resolution) {
        put32(24, 0);
        put32(28, 0);
    }
    if (lie) put32(8, static_cast<std::uint32_t>(kind.height * 400));  // far more rows than the block holds
    if (huge) {                                                       // 60000 x 60000 x 32 bits: 14 GB
        put32(4, 60000);
        put32(8, 60000);
    }
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block) return nullptr;
    std::memcpy(::GlobalLock(block), bytes.data(), bytes.size());
    ::GlobalUnlock(block);
    return block;
}

std::string g_log;

class ScriptedSource final : public DataSource {
public:
    ScriptedSource() : DataSource(g_module, "Korvix Scripted Source") {}

protected:
    void on_open() noexcept override {
        g_log = "OPENDS";
        s_ = read_scenario();
    }

    CapResult capability(TW_UINT16 msg, TW_CAPABILITY& cap) noexcept override {
        note((msg == MSG_SET ? " SET " : " GET ") + std::to_string(cap.Cap));
        if ((msg == MSG_SET && s_.refuse_set.count(cap.Cap)) || (msg == MSG_GET && s_.refuse_get.count(cap.Cap)))
            return {TWRC_FAILURE, TWCC_BADVALUE};
        if (msg == MSG_GET && cap.Cap == CAP_UICONTROLLABLE && !s_.ui_controllable)
            return answer(cap, TWTY_BOOL, 0);
        if (msg == MSG_GET && cap.Cap == ICAP_PHYSICALWIDTH && s_.width_zero) return answer(cap, TWTY_FIX32, 0);
        return DataSource::capability(msg, cap);
    }

    CapResult image_layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout) noexcept override {
        if (msg == MSG_SET) note(" LAYOUT");
        if (msg == MSG_SET && s_.layout == "refuse") return {TWRC_FAILURE, TWCC_BADVALUE};
        const CapResult r = DataSource::image_layout(msg, layout);
        if (msg == MSG_SET && s_.layout == "checkstatus" && r.rc == TWRC_SUCCESS) return {TWRC_CHECKSTATUS, 0};
        return r;
    }

    TW_UINT16 enable(const TW_USERINTERFACE& ui) noexcept override {
        note(" ENABLEDS");
        if (s_.signal == "never") {  // its window waits for the user, who can only close it
            show_dialog(static_cast<HWND>(ui.hParent));
            if (dialog()) ::EnableWindow(::GetDlgItem(dialog(), IDOK), FALSE);
            return TWRC_SUCCESS;
        }
        if (s_.signal == "closedsreq") {
            signal(MSG_CLOSEDSREQ);
            return TWRC_SUCCESS;
        }
        if (!ui.ShowUI && !s_.dib_shape.empty()) {  // the scripted DIB is made at the transfer
            state_ = kReady;
            pending_ = 1;
            signal(MSG_XFERREADY);
            return TWRC_SUCCESS;
        }
        return DataSource::enable(ui);
    }

    TW_UINT16 native_transfer(TW_HANDLE& dib) noexcept override {
        note(" NATIVEXFER");
        if (s_.xfer == "failure") return fail(TWCC_OPERATIONERROR);
        if (s_.xfer == "cancel_nohandle") return TWRC_CANCEL;
        if (!s_.dib_shape.empty()) {
            drop_page();
            dib = dib_block(s_.dib_shape);
            state_ = kTransferring;
            return s_.xfer == "cancel" ? TWRC_CANCEL : TWRC_XFERDONE;
        }
        const TW_UINT16 rc = DataSource::native_transfer(dib);
        return s_.xfer == "cancel" && rc == TWRC_XFERDONE ? TWRC_CANCEL : rc;
    }

    TW_UINT16 end_transfer(TW_PENDINGXFERS& pending) noexcept override {
        note(" ENDXFER");
        if (s_.refuse_endxfer) return fail(TWCC_SEQERROR);
        DataSource::end_transfer(pending);
        if (s_.pending) {  // more pages on the feeder: back to transfer ready
            pending.Count = s_.pending;
            pending_ = s_.pending;
            state_ = kReady;
        }
        return TWRC_SUCCESS;
    }

    TW_UINT16 disable() noexcept override {
        note(" DISABLEDS");
        if (s_.refuse_disable) return fail(TWCC_SEQERROR);
        return DataSource::disable();
    }

private:
    CapResult answer(TW_CAPABILITY& cap, TW_UINT16 type, TW_UINT32 value) noexcept {
        const std::vector<std::uint8_t> bytes = pack(CapContainer::one(type, value));
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        if (!block) return {TWRC_FAILURE, TWCC_LOWMEMORY};
        std::memcpy(::GlobalLock(block), bytes.data(), bytes.size());
        ::GlobalUnlock(block);
        cap.ConType = TWON_ONEVALUE;
        cap.hContainer = block;
        return {};
    }
    static void note(const std::string& what) noexcept {
        try {
            g_log += what;
        } catch (...) {
        }
    }

    scenario s_;
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
    static korvix::twain::ScriptedSource source;
    return source.entry(origin, dg, dat, msg, data);
}

extern "C" const char* WINAPI KorvixScriptedLog() { return korvix::twain::g_log.c_str(); }
