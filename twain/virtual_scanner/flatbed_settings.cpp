#include "twain/virtual_scanner/flatbed_settings.h"

#include <algorithm>
#include <cmath>

namespace korvix::twain {

namespace {

constexpr CapResult kOk{TWRC_SUCCESS, TWCC_SUCCESS};
constexpr CapResult kBadValue{TWRC_FAILURE, TWCC_BADVALUE};
constexpr CapResult kReadOnly{TWRC_FAILURE, TWCC_CAPBADOPERATION};
constexpr CapResult kUnsupported{TWRC_FAILURE, TWCC_CAPUNSUPPORTED};
constexpr double kDefaultResolution = 100;

const TW_UINT16 kSupported[] = {CAP_XFERCOUNT,      CAP_SUPPORTEDCAPS,   CAP_INDICATORS,   CAP_UICONTROLLABLE,
                                ICAP_PIXELTYPE,     ICAP_BITDEPTH,       ICAP_UNITS,       ICAP_XFERMECH,
                                ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT, ICAP_XRESOLUTION, ICAP_YRESOLUTION};

TW_UINT16 depth_of(TW_UINT16 pixel_type) noexcept {
    return pixel_type == TWPT_BW ? 1 : pixel_type == TWPT_GRAY ? 8 : 24;
}

TW_UINT32 fix(double v) noexcept { return fix32_item(fix32_of(v)); }

bool is_integer_type(TW_UINT16 t) noexcept { return t <= TWTY_BOOL; }

}  // namespace

void FlatbedSettings::reset_all() noexcept {
    pixel_type_ = TWPT_RGB;
    x_resolution_ = y_resolution_ = kDefaultResolution;
    indicators_ = true;
    transfer_count_ = -1;
    reset_layout();
}

void FlatbedSettings::reset_layout() noexcept {
    left_ = top_ = 0;
    right_ = kBedWidth;
    bottom_ = kBedHeight;
}

CapResult FlatbedSettings::get(TW_UINT16 cap, TW_UINT16 msg, CapContainer& out) {
    const bool whole = msg == MSG_GET;
    const bool defaults = msg == MSG_GETDEFAULT;
    if (msg == MSG_RESET) {
        switch (cap) {
        case CAP_XFERCOUNT: transfer_count_ = -1; break;
        case CAP_INDICATORS: indicators_ = true; break;
        case ICAP_PIXELTYPE: pixel_type_ = TWPT_RGB; break;
        case ICAP_XRESOLUTION: x_resolution_ = kDefaultResolution; break;
        case ICAP_YRESOLUTION: y_resolution_ = kDefaultResolution; break;
        default: break;
        }
    }
    switch (cap) {
    case CAP_XFERCOUNT:
        out = CapContainer::one(TWTY_INT16, static_cast<TW_UINT16>(defaults ? -1 : transfer_count_));
        return kOk;
    case CAP_INDICATORS:
        out = CapContainer::one(TWTY_BOOL, defaults ? 1 : indicators_);
        return kOk;
    case CAP_UICONTROLLABLE:
        out = CapContainer::one(TWTY_BOOL, 1);
        return kOk;
    case CAP_SUPPORTEDCAPS:
        out = CapContainer::array(TWTY_UINT16, std::vector<TW_UINT32>(std::begin(kSupported), std::end(kSupported)));
        return kOk;
    case ICAP_PIXELTYPE: {
        const TW_UINT16 current = defaults ? TWPT_RGB : pixel_type_;
        out = whole ? CapContainer::list(TWTY_UINT16, {TWPT_BW, TWPT_GRAY, TWPT_RGB}, current, TWPT_RGB)
                    : CapContainer::one(TWTY_UINT16, current);
        return kOk;
    }
    case ICAP_BITDEPTH: {
        const TW_UINT16 depth = depth_of(defaults ? TWPT_RGB : pixel_type_);
        out = whole ? CapContainer::list(TWTY_UINT16, {depth}, 0, 0) : CapContainer::one(TWTY_UINT16, depth);
        return kOk;
    }
    case ICAP_UNITS:
        out = whole ? CapContainer::list(TWTY_UINT16, {TWUN_INCHES}, 0, 0) : CapContainer::one(TWTY_UINT16, TWUN_INCHES);
        return kOk;
    case ICAP_XFERMECH:
        out = whole ? CapContainer::list(TWTY_UINT16, {TWSX_NATIVE}, 0, 0) : CapContainer::one(TWTY_UINT16, TWSX_NATIVE);
        return kOk;
    case ICAP_PHYSICALWIDTH:
        out = CapContainer::one(TWTY_FIX32, fix(kBedWidth));
        return kOk;
    case ICAP_PHYSICALHEIGHT:
        out = CapContainer::one(TWTY_FIX32, fix(kBedHeight));
        return kOk;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        const double current = defaults ? kDefaultResolution : cap == ICAP_XRESOLUTION ? x_resolution_ : y_resolution_;
        out = whole ? CapContainer::range(TWTY_FIX32, fix(kMinResolution), fix(kMaxResolution), fix(1),
                                          fix(kDefaultResolution), fix(current))
                    : CapContainer::one(TWTY_FIX32, fix(current));
        return kOk;
    }
    default:
        return kUnsupported;
    }
}

CapResult FlatbedSettings::set(TW_UINT16 cap, const TW_ONEVALUE& v) noexcept {
    const TW_INT16 whole16 = static_cast<TW_INT16>(v.Item & 0xFFFF);
    switch (cap) {
    case CAP_XFERCOUNT:
        if (!is_integer_type(v.ItemType) || (whole16 < 1 && whole16 != -1)) return kBadValue;
        transfer_count_ = whole16;
        return kOk;
    case CAP_INDICATORS:
        if (!is_integer_type(v.ItemType) || v.Item > 1) return kBadValue;
        indicators_ = v.Item == 1;
        return kOk;
    case ICAP_PIXELTYPE:
        if (!is_integer_type(v.ItemType) || v.Item > TWPT_RGB) return kBadValue;
        pixel_type_ = static_cast<TW_UINT16>(v.Item);
        return kOk;
    case ICAP_BITDEPTH:
        return is_integer_type(v.ItemType) && v.Item == depth_of(pixel_type_) ? kOk : kBadValue;
    case ICAP_UNITS:
        return is_integer_type(v.ItemType) && v.Item == TWUN_INCHES ? kOk : kBadValue;
    case ICAP_XFERMECH:
        return is_integer_type(v.ItemType) && v.Item == TWSX_NATIVE ? kOk : kBadValue;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        if (v.ItemType != TWTY_FIX32) return kBadValue;
        const double dpi = fix32_value(fix32_from_item(v.Item));
        if (dpi < kMinResolution || dpi > kMaxResolution) return kBadValue;
        (cap == ICAP_XRESOLUTION ? x_resolution_ : y_resolution_) = dpi;
        return kOk;
    }
    case CAP_UICONTROLLABLE:
    case CAP_SUPPORTEDCAPS:
    case ICAP_PHYSICALWIDTH:
    case ICAP_PHYSICALHEIGHT:
        return kReadOnly;
    default:
        return kUnsupported;
    }
}

CapResult FlatbedSettings::query_support(TW_UINT16 cap, TW_INT32& messages) const noexcept {
    const TW_INT32 read = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
    switch (cap) {
    case CAP_UICONTROLLABLE: case CAP_SUPPORTEDCAPS: case ICAP_PHYSICALWIDTH: case ICAP_PHYSICALHEIGHT:
        messages = read;
        return kOk;
    default:
        if (std::find(std::begin(kSupported), std::end(kSupported), cap) == std::end(kSupported)) return kUnsupported;
        messages = read | TWQC_SET | TWQC_RESET;
        return kOk;
    }
}

void FlatbedSettings::get_layout(TW_IMAGELAYOUT& layout, bool defaults) const noexcept {
    layout = TW_IMAGELAYOUT{};
    layout.Frame.Left = fix32_of(defaults ? 0 : left_);
    layout.Frame.Top = fix32_of(defaults ? 0 : top_);
    layout.Frame.Right = fix32_of(defaults ? kBedWidth : right_);
    layout.Frame.Bottom = fix32_of(defaults ? kBedHeight : bottom_);
    layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 1;
}

CapResult FlatbedSettings::set_layout(const TW_IMAGELAYOUT& layout) noexcept {
    const double l = fix32_value(layout.Frame.Left), t = fix32_value(layout.Frame.Top);
    const double r = fix32_value(layout.Frame.Right), b = fix32_value(layout.Frame.Bottom);
    const double cl = std::clamp(l, 0.0, kBedWidth), ct = std::clamp(t, 0.0, kBedHeight);
    const double cr = std::clamp(r, 0.0, kBedWidth), cb = std::clamp(b, 0.0, kBedHeight);
    if (cr - cl < 0.01 || cb - ct < 0.01) return kBadValue;
    left_ = cl;
    top_ = ct;
    right_ = cr;
    bottom_ = cb;
    // Cut to the bed (beyond a rounding of the fixed-point values): adjusted.
    const bool cut = std::fabs(cl - l) > 1e-4 || std::fabs(ct - t) > 1e-4 || std::fabs(cr - r) > 1e-4 ||
                     std::fabs(cb - b) > 1e-4;
    return cut ? CapResult{TWRC_CHECKSTATUS, TWCC_SUCCESS} : kOk;
}

PageFormat FlatbedSettings::page() const noexcept {
    PageFormat f;
    f.x_dpi = x_resolution_;
    f.y_dpi = y_resolution_;
    f.left = left_;
    f.top = top_;
    f.width = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround((right_ - left_) * x_resolution_)));
    f.height = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround((bottom_ - top_) * y_resolution_)));
    f.bit_count = depth_of(pixel_type_);
    return f;
}

}  // namespace korvix::twain
