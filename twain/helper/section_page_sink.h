// The helper's ImageSink: a transferred page goes to the control in the
// shared section the control makes for it (twain/bridge/page_section.h).
// The page is checked here first (a DIB with check_dib, a bitmap through
// GetObject), announced, and written straight from the source's memory into
// the section: one copy, converted where the section's form differs. The
// source's handle is released once the page is in the section.
#pragma once

#include <windows.h>

#include "twain/helper/heartbeat.h"
#include "twain/twain_driver.h"
#include "twain/twain_platform.h"
#include "twain/win/pipe_channel.h"

namespace korvix::twain::helper {

class SectionPageSink final : public ImageSink {
public:
    SectionPageSink(PipeChannel& channel, Heartbeat& beat, const TwainDriver& driver) noexcept
        : channel_(channel), beat_(beat), driver_(driver) {}

    TW_UINT32 take(TW_HANDLE& image, GlobalMemory& memory) noexcept override;
    void release(TW_HANDLE& image, GlobalMemory& memory) noexcept override;

    // The control cancelled, or went away, while a page was on its way.
    bool cancelled() const noexcept { return cancelled_; }

private:
    // Announces the page and waits for the control's section: the section,
    // mapped for writing, or null when the control refused or left.
    void* receive_section(const bridge::PageReady& page, std::uint64_t& bytes) noexcept;
    bool page_written(void* view) noexcept;

    PipeChannel& channel_;
    Heartbeat& beat_;
    const TwainDriver& driver_;
    bool cancelled_ = false;
};

}  // namespace korvix::twain::helper
