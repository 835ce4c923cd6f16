// The settings of the virtual flatbed and their negotiation: which
// capabilities it has, what a get answers, which sets it accepts (with the
// condition code of a refusal), and the scan frame. An A4 bed, 50 to 1200
// dpi, black and white, grey or colour. Portable; the data source's Windows
// entry point packs the answers into global memory.
#pragma once

#include <cstdint>

#include "twain/twain_types.h"
#include "twain/virtual_scanner/cap_container.h"
#include "twain/virtual_scanner/test_page.h"

namespace korvix::twain {

struct CapResult {
    TW_UINT16 rc = TWRC_SUCCESS;
    TW_UINT16 cc = TWCC_SUCCESS;
};

class FlatbedSettings {
public:
    static constexpr double kBedWidth = 210 / 25.4;   // inches
    static constexpr double kBedHeight = 297 / 25.4;
    static constexpr double kMinResolution = 50, kMaxResolution = 1200;

    FlatbedSettings() noexcept { reset_all(); }
    void reset_all() noexcept;

    // MSG_GET (the whole container), MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET.
    CapResult get(TW_UINT16 cap, TW_UINT16 msg, CapContainer& out);
    // MSG_SET with a one-value container.
    CapResult set(TW_UINT16 cap, const TW_ONEVALUE& value) noexcept;
    // MSG_QUERYSUPPORT: which messages the capability takes (TWQC_ bits).
    CapResult query_support(TW_UINT16 cap, TW_INT32& messages) const noexcept;

    // DAT_IMAGELAYOUT: the frame in inches. A frame reaching past the bed is
    // cut to it (TWRC_CHECKSTATUS); one that leaves nothing is refused.
    void get_layout(TW_IMAGELAYOUT& layout, bool defaults) const noexcept;
    CapResult set_layout(const TW_IMAGELAYOUT& layout) noexcept;
    void reset_layout() noexcept;

    TW_UINT16 pixel_type() const noexcept { return pixel_type_; }
    double x_resolution() const noexcept { return x_resolution_; }
    double y_resolution() const noexcept { return y_resolution_; }
    bool indicators() const noexcept { return indicators_; }
    TW_INT16 transfer_count() const noexcept { return transfer_count_; }
    // What a scan with these settings gives.
    PageFormat page() const noexcept;

private:
    TW_UINT16 pixel_type_ = TWPT_RGB;
    double x_resolution_ = 100, y_resolution_ = 100;
    bool indicators_ = true;
    TW_INT16 transfer_count_ = -1;
    double left_ = 0, top_ = 0, right_ = kBedWidth, bottom_ = kBedHeight;
};

}  // namespace korvix::twain
