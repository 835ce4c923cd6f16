#include "twain/win/helper_call.h"

#include <cstring>
#include <memory>

#include "twain/bridge/host_call.h"
#include "twain/dib_layout.h"
#include "twain/win/dib_section_picture.h"
#include "twain/win/helper_process.h"

namespace korvix::twain {

namespace {

using bridge::HostCall;
using End = HelperCallResult::End;

void unmap(const void* view) noexcept { ::UnmapViewOfFile(view); }
using unique_view = unique_resource<const void*, unmap>;

// The host's window, disabled while a dialog of the helper is up and always
// enabled again; a window someone else had disabled is left so.
class OwnerLock {
public:
    explicit OwnerLock(HWND owner) noexcept : owner_(owner) {}
    ~OwnerLock() { set(false); }
    OwnerLock(const OwnerLock&) = delete;
    OwnerLock& operator=(const OwnerLock&) = delete;

    void set(bool locked) noexcept {
        if (locked && owner_ && !disabled_ && ::IsWindowEnabled(owner_)) {
            ::EnableWindow(owner_, FALSE);
            disabled_ = true;
        } else if (!locked && disabled_) {
            ::EnableWindow(owner_, TRUE);
            disabled_ = false;
        }
    }

private:
    HWND owner_;
    bool disabled_ = false;
};

// A new picture that owns a bitmap made on the page's section, whose
// contents were checked. Header and colour table come from the plan and a
// copy taken here, never from the section again.
com_ptr<IPictureDisp> picture_on_section(HANDLE section, const bridge::PageSection& plan,
                                         const bridge::PageReady& page) noexcept {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    {
        const unique_view view(::MapViewOfFile(section, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(plan.section_bytes)));
        if (!view) return {};
        const auto* bytes = static_cast<const std::uint8_t*>(view.get());
        if (!bridge::section_holds_page(bytes, plan.section_bytes, plan)) return {};
        std::memcpy(info.colours, bytes + bridge::kPageHeaderBytes, 4u * plan.palette_entries);
    }
    for (RGBQUAD& c : info.colours) c.rgbReserved = 0;
    const std::int32_t sent = pels_per_meter_from_dpi(page.resolution_sent);
    info.header.biSize = sizeof info.header;
    info.header.biWidth = plan.width;
    info.header.biHeight = plan.height;
    info.header.biPlanes = 1;
    info.header.biBitCount = plan.bit_count;
    info.header.biCompression = BI_RGB;
    info.header.biSizeImage = static_cast<DWORD>(plan.image_bytes);
    info.header.biXPelsPerMeter = page.x_pels_per_meter > 0 ? page.x_pels_per_meter : sent;
    info.header.biYPelsPerMeter = page.y_pels_per_meter > 0 ? page.y_pels_per_meter : sent;
    info.header.biClrUsed = plan.palette_entries;
    void* bits = nullptr;
    unique_hbitmap bitmap(::CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                             &bits, section, static_cast<DWORD>(plan.pixel_offset)));
    if (!bitmap || !bits) return {};
    return owning_picture(std::move(bitmap));  // with the bitmap, its view of the section
}

// What the conversation asks of this side.
class Effects final : public HostCall::Effects {
public:
    Effects(HelperProcess& helper, HWND owner) noexcept : helper_(helper), owner_(owner) {}

    bool send(const bridge::Message& message) override { return helper_.channel().send(message); }

    std::uint32_t grant_section(const bridge::PageSection& plan) override {
        section_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_COMMIT,
                                            static_cast<DWORD>(plan.section_bytes >> 32),
                                            static_cast<DWORD>(plan.section_bytes), nullptr));
        if (!section_) return 0;
        return helper_.share(section_.get(), FILE_MAP_READ | FILE_MAP_WRITE);
    }

    bool take_page(const bridge::PageSection& plan, const bridge::PageReady& page) override {
        picture_ = picture_on_section(section_.get(), plan, page);
        section_.reset();  // the bitmap's view keeps the section alive
        return static_cast<bool>(picture_);
    }

    void dialog_up(bool up) override { owner_.set(up); }

    com_ptr<IPictureDisp>& picture() noexcept { return picture_; }

private:
    HelperProcess& helper_;
    OwnerLock owner_;
    unique_handle section_;
    com_ptr<IPictureDisp> picture_;
};

// Runs the host's messages that are waiting; false after a quit message.
bool pump_host(int& quit_code) noexcept {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit_code = static_cast<int>(msg.wParam);
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace

std::uint32_t wire_window(HWND window) noexcept {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

HelperCallResult call_helper(const std::wstring& program, const bridge::Message& request, HWND owner,
                             const HelperLimits& limits) noexcept {
    HelperCallResult result;
    try {
        const std::unique_ptr<HelperProcess> helper = HelperProcess::start(program);
        if (!helper) return result;  // no_helper
        Effects effects(*helper, owner);
        HostCall call(request, effects);
        PipeChannel& channel = helper->channel();
        bool quitting = false;
        ULONGLONG heard = ::GetTickCount64(), quit_at = 0;
        End end = End::finished;
        while (call.state() == HostCall::State::waiting) {
            bridge::Message message;
            const PipeChannel::Poll got = channel.poll(message);
            if (got == PipeChannel::Poll::message) {
                heard = ::GetTickCount64();
                call.on_message(message);
                continue;
            }
            if (got != PipeChannel::Poll::nothing) {
                end = got == PipeChannel::Poll::closed ? End::died : End::violated;
                break;
            }
            // Nothing to read: wait for the pipe, the helper's end, or (unless
            // quitting) the host's own messages, within the time left.
            const ULONGLONG now = ::GetTickCount64();
            ULONGLONG until = call.dialog_is_up() ? ~0ull : heard + limits.silence_ms;
            if (quitting) until = std::min(until, quit_at + limits.cancel_ms);
            if (now >= until) {
                end = quitting ? End::quit : End::hung;
                break;
            }
            const DWORD left = until == ~0ull ? INFINITE : static_cast<DWORD>(until - now);
            const HANDLE waits[2] = {channel.read_event(), helper->process()};
            const DWORD woke = ::MsgWaitForMultipleObjectsEx(2, waits, left, quitting ? 0 : QS_ALLINPUT,
                                                             MWMO_INPUTAVAILABLE);
            if (woke == WAIT_OBJECT_0 + 1) {
                // Ended: what it wrote before is still read, then the pipe closes.
                bridge::Message last;
                PipeChannel::Poll p;
                while ((p = channel.wait(last, 200)) == PipeChannel::Poll::message) call.on_message(last);
                if (call.state() == HostCall::State::waiting) end = p == PipeChannel::Poll::broken ? End::violated
                                                                                                  : End::died;
                break;
            }
            if (woke == WAIT_OBJECT_0 + 2 && !pump_host(result.quit_code)) {
                quitting = true;
                quit_at = ::GetTickCount64();
                channel.send(bridge::Cancel{});
            }
        }
        if (call.state() == HostCall::State::violated) end = End::violated;
        if (quitting) end = End::quit;
        result.end = end;
        if (end != End::finished) {
            helper->kill();
            return result;
        }
        result.status = call.status();
        result.source = call.source();
        result.sources = call.sources();
        result.page = call.page();
        if (call.page_taken()) result.picture = std::move(effects.picture());
    } catch (...) {
        result.end = End::died;
        result.picture = nullptr;
    }
    return result;
}

}  // namespace korvix::twain
