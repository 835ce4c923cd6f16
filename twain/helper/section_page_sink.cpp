#include "twain/helper/section_page_sink.h"

#include "common/win/unique_resource.h"
#include "twain/bridge/page_section.h"
#include "twain/dib_layout.h"
#include "twain/dib_rows.h"
#include "twain/win/image_handle.h"

namespace korvix::twain::helper {

namespace {

// How long the control may take to make the page's section.
constexpr ULONGLONG kGrantWaitMs = 30000;

}  // namespace

void* SectionPageSink::receive_section(const bridge::PageReady& page, std::uint64_t& bytes) noexcept {
    const auto plan = bridge::plan_page_section(page);
    if (!plan) return nullptr;
    if (!channel_.send(page)) return cancelled_ = true, nullptr;
    const ULONGLONG until = ::GetTickCount64() + kGrantWaitMs;
    for (;;) {
        beat_.turned();
        bridge::Message answer;
        const PipeChannel::Poll p = channel_.wait(answer, 250);
        if (p == PipeChannel::Poll::nothing) {
            if (::GetTickCount64() >= until) return cancelled_ = true, nullptr;
            continue;
        }
        const auto* grant = std::get_if<bridge::SectionGrant>(&answer);
        if (p != PipeChannel::Poll::message || !grant) return cancelled_ = true, nullptr;  // a cancel, or gone
        if (!grant->handle) return nullptr;
        const unique_handle section(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(grant->handle)));
        if (grant->bytes != plan->section_bytes) return nullptr;
        bytes = plan->section_bytes;
        return ::MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(bytes));
    }
}

bool SectionPageSink::page_written(void* view) noexcept {
    ::UnmapViewOfFile(view);
    if (channel_.send(bridge::PageWritten{})) return true;
    cancelled_ = true;
    return false;
}

TW_UINT32 SectionPageSink::take(TW_HANDLE& image, GlobalMemory& memory) noexcept {
    const std::int16_t sent = driver_.resolution_sent();
    std::uint64_t bytes = 0;
    if (is_bitmap(image)) {
        const auto bitmap = static_cast<HBITMAP>(image);
        DIBSECTION described{};
        const int got = ::GetObjectW(bitmap, sizeof described, &described);
        if (got < static_cast<int>(sizeof(BITMAP))) return 1;
        const bool section = got == static_cast<int>(sizeof described);
        const bridge::PageReady page{described.dsBm.bmWidth, described.dsBm.bmHeight, 24, 0,
                                     section ? described.dsBmih.biXPelsPerMeter : 0,
                                     section ? described.dsBmih.biYPelsPerMeter : 0, sent};
        const auto plan = bridge::plan_page_section(page);
        if (!plan) return 1;
        auto* view = static_cast<std::uint8_t*>(receive_section(page, bytes));
        if (!view) return 1;
        bridge::write_page_header(view, *plan, page.x_pels_per_meter, page.y_pels_per_meter, nullptr);
        BITMAPINFO format{};
        format.bmiHeader = {static_cast<DWORD>(sizeof format.bmiHeader), plan->width, plan->height, 1, 24, BI_RGB};
        const unique_hdc dc(::CreateCompatibleDC(nullptr));
        const bool copied = dc && ::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(plan->height),
                                               view + plan->pixel_offset, &format, DIB_RGB_COLORS) == plan->height;
        if (!copied) {
            ::UnmapViewOfFile(view);
            return 1;
        }
        if (!page_written(view)) return 1;
    } else {
        const LockedBlock locked(memory, image);
        if (!locked.get()) return 1;
        const auto* dib = static_cast<const std::uint8_t*>(locked.get());
        const DibCheck check = check_dib(dib, memory.size(image));
        if (!check) return 1;
        const DibLayout& l = check.layout;
        const bridge::PageReady page{l.width, l.height, l.out_bit_count, l.palette_entries, l.x_pels_per_meter,
                                     l.y_pels_per_meter, sent};
        const auto plan = bridge::plan_page_section(page);
        if (!plan) return 1;
        auto* view = static_cast<std::uint8_t*>(receive_section(page, bytes));
        if (!view) return 1;
        bridge::write_page_header(view, *plan, l.x_pels_per_meter, l.y_pels_per_meter, dib + l.palette_offset);
        copy_dib_rows(dib + l.pixel_offset, l, view + plan->pixel_offset);
        if (!page_written(view)) return 1;
    }
    release(image, memory);  // the page is the control's now
    return 0;
}

void SectionPageSink::release(TW_HANDLE& image, GlobalMemory& memory) noexcept { release_image(image, memory); }

}  // namespace korvix::twain::helper
