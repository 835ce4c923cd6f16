// Persistence: InitNew (new-instance defaults), the property bag, and the
// binary settings record in a stream or in a storage's "Contents" stream.
#include <vector>

#include "control/object/settings_binding.h"
#include "control/object/twain_control.h"

namespace korvix {

using persist::Key;
using persist::KeyInfo;
using persist::Outcome;
using persist::Value;

// The control's persisted settings, as the portable procedures see them.
// Inner members may refuse a value; the MouseIcon goes through its property
// so it sends its change notification like any property write.
class TwainControl::Settings final : public persist::SettingsTarget {
public:
    explicit Settings(TwainControl& control) : c_(control) {}

    Value current(const KeyInfo& info) const override {
        ControlView& v = *c_.view_;
        switch (info.key) {
        case Key::BackColor: return Value::long_value(static_cast<std::int32_t>(v.back_color()));
        case Key::Enabled: return Value::boolean(v.enabled());
        case Key::MouseIcon: return picture_value(v.mouse_icon().get());
        case Key::MousePointer: return Value::integer(v.mouse_pointer());
        case Key::ToolTipText: return text(v.tool_tip_text());
        case Key::ColorType: return Value::long_value(c_.color_type_);
        case Key::Resolution: return Value::integer(c_.resolution_);
        case Key::Filename: return text(c_.filename_);
        case Key::ShowProgress: return Value::boolean(c_.show_progress_);
        case Key::ShowInterface: return Value::boolean(c_.show_interface_);
        case Key::AutoRedraw: return Value::boolean(c_.auto_redraw_);
        case Key::BorderStyle: return Value::integer(v.border_style());
        case Key::Scrollable: return Value::boolean(c_.scrollable_);
        case Key::Quality: return Value::integer(c_.quality_);
        case Key::Compression: return Value::integer(c_.compression_);
        case Key::FileType: return Value::long_value(c_.file_type_);
        }
        return {};
    }

    // The inner members' own rules (picTwain's colour and pointer, the
    // surface's border), asked before a stored record changes anything. The
    // record's MouseIcon needs no rule here: its codec only ever makes an
    // icon, a cursor or an empty picture, which the pointer always takes.
    Outcome check(const KeyInfo& info, const Value& value) const override {
        bool accepted = true;
        const auto i16 = static_cast<SHORT>(value.number);
        switch (info.key) {
        case Key::BackColor: {
            COLORREF unused;
            accepted = SUCCEEDED(::OleTranslateColor(static_cast<OLE_COLOR>(value.number), nullptr, &unused));
            break;
        }
        case Key::MousePointer: accepted = (i16 >= 0 && i16 <= 15) || i16 == 99; break;
        case Key::BorderStyle: accepted = i16 == 0 || i16 == 1; break;
        default: break;
        }
        if (!accepted) return Outcome::failure(info.key, CTL_E_INVALIDPROPERTYVALUE, refusal(info, "Invalid property value"));
        return Outcome::success();
    }

    Outcome assign(const KeyInfo& info, const Value& value) override {
        try {
            ControlView& v = *c_.view_;
            const bool flag = value.number != 0;
            const auto i16 = static_cast<SHORT>(value.number);
            switch (info.key) {
            case Key::BackColor: v.set_back_color(static_cast<OLE_COLOR>(value.number)); break;
            case Key::Enabled: v.set_enabled(flag); break;
            case Key::MouseIcon: c_.set_mouse_icon(picture_of(value)); break;
            case Key::MousePointer: v.set_mouse_pointer(i16); break;
            case Key::ToolTipText: v.set_tool_tip_text(wide(value.text)); break;
            case Key::ColorType: c_.color_type_ = value.number; break;
            case Key::Resolution: c_.resolution_ = i16; break;
            case Key::Filename: c_.filename_ = wide(value.text); break;
            case Key::ShowProgress: c_.show_progress_ = flag; break;
            case Key::ShowInterface: c_.show_interface_ = flag; break;
            case Key::AutoRedraw: c_.auto_redraw_ = flag; break;
            case Key::BorderStyle: v.set_border_style(i16); break;
            case Key::Scrollable: c_.scrollable_ = flag; break;
            case Key::Quality: c_.quality_ = i16; break;
            case Key::Compression: c_.compression_ = i16; break;
            case Key::FileType: c_.file_type_ = value.number; break;
            }
            return Outcome::success();
        } catch (const hresult_error& e) {
            return Outcome::failure(info.key, e.code(), refusal(info, e.what()));
        } catch (const std::bad_alloc&) {
            return Outcome::failure(info.key, E_OUTOFMEMORY, "Not enough memory.");
        }
    }

private:
    static std::string refusal(const KeyInfo& info, const char* why) {
        return std::string("The stored setting \"") + narrow(info.name) + "\" was refused: " + why;
    }
    static Value text(const std::wstring& s) {
        return Value::string(std::u16string(reinterpret_cast<const char16_t*>(s.data()), s.size()));
    }
    static std::wstring wide(const std::u16string& s) {
        return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
    }
    static std::string narrow(const char16_t* s) {
        std::string out;
        for (; *s; ++s) out.push_back(static_cast<char>(*s));
        return out;
    }
    TwainControl& c_;
};

// UserControl_InitProperties: only the control's own fields; the inner
// members keep their designed values.
void TwainControl::init_properties() noexcept {
    quality_ = 0;
    file_type_ = 0;
    scrollable_ = true;
    auto_redraw_ = true;
    show_progress_ = true;
    show_interface_ = false;
    color_type_ = 0;
    resolution_ = 75;
    filename_.clear();
    dirty_ = false;
}

HRESULT TwainControl::GetClassID(CLSID* clsid) noexcept {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_Twain;
    return S_OK;
}

HRESULT TwainControl::IsDirty() noexcept { return dirty_ ? S_OK : S_FALSE; }

HRESULT TwainControl::InitNew() noexcept {
    init_properties();
    return S_OK;
}

// ---- property bag ------------------------------------------------------------------

HRESULT TwainControl::Load(IPropertyBag* bag, IErrorLog* log) noexcept {
    if (!bag) return E_POINTER;
    com_ptr<IUnknown> keep_alive(identity());
    return com_boundary(IID_IPersistPropertyBag, [&]() -> HRESULT {
        BagSource source(bag, log);
        Settings settings(*this);
        const Outcome r = persist::read_settings(source, settings);
        if (!r.ok) return report_failure(r, IID_IPersistPropertyBag);
        dirty_ = false;
        return S_OK;
    });
}

HRESULT TwainControl::Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) noexcept {
    if (!bag) return E_POINTER;
    return com_boundary(IID_IPersistPropertyBag, [&]() -> HRESULT {
        BagSink sink(bag, save_all != FALSE);
        Settings settings(*this);
        const Outcome r = persist::write_settings(settings, sink);
        if (!r.ok) return report_failure(r, IID_IPersistPropertyBag);
        if (clear_dirty) dirty_ = false;
        return S_OK;
    });
}

// ---- stream --------------------------------------------------------------------------

namespace {

HRESULT read_exact(IStream* stream, void* buffer, ULONG size) {
    ULONG got = 0;
    const HRESULT hr = stream->Read(buffer, size, &got);
    if (FAILED(hr)) return hr;
    return got == size ? S_OK : S_FALSE;
}

}  // namespace

HRESULT TwainControl::load_settings_stream(IStream* stream) noexcept {
    com_ptr<IUnknown> keep_alive(identity());
    return com_boundary(IID_IPersistStreamInit, [&]() -> HRESULT {
        std::uint8_t header_bytes[persist::kStreamHeaderSize];
        HRESULT hr = read_exact(stream, header_bytes, sizeof(header_bytes));
        if (FAILED(hr)) return set_error_info(hr, IID_IPersistStreamInit, L"The settings stream cannot be read.");
        if (hr == S_FALSE) return report_stream_error(persist::StreamError::truncated, IID_IPersistStreamInit);
        persist::StreamHeader header;
        persist::StreamError e = persist::parse_header(header_bytes, sizeof(header_bytes), header);
        if (e != persist::StreamError::none) return report_stream_error(e, IID_IPersistStreamInit);
        std::vector<std::uint8_t> payload(header.payload_size);
        if (!payload.empty()) {
            hr = read_exact(stream, payload.data(), header.payload_size);
            if (FAILED(hr)) return set_error_info(hr, IID_IPersistStreamInit, L"The settings stream cannot be read.");
            if (hr == S_FALSE) return report_stream_error(persist::StreamError::truncated, IID_IPersistStreamInit);
        }
        // Decode everything first: a damaged record changes nothing.
        PictureCodec pictures;
        persist::Snapshot values;
        e = persist::decode_payload(payload.data(), payload.size(), pictures, values);
        if (e != persist::StreamError::none) return report_stream_error(e, IID_IPersistStreamInit);
        Settings settings(*this);
        const Outcome r = persist::apply_snapshot(values, settings);
        if (!r.ok) return report_failure(r, IID_IPersistStreamInit);
        dirty_ = false;
        return S_OK;
    });
}

HRESULT TwainControl::save_settings_stream(IStream* stream) noexcept {
    return com_boundary(IID_IPersistStreamInit, [&]() -> HRESULT {
        Settings settings(*this);
        PictureCodec pictures;
        std::vector<std::uint8_t> bytes;
        const Outcome r = persist::encode_settings(persist::capture(settings), pictures, bytes);
        if (!r.ok) return report_failure(r, IID_IPersistStreamInit);
        ULONG written = 0;
        const HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        if (FAILED(hr)) return set_error_info(hr, IID_IPersistStreamInit, L"The settings stream cannot be written.");
        if (written != bytes.size())
            return set_error_info(STG_E_MEDIUMFULL, IID_IPersistStreamInit, L"The settings stream is full.");
        return S_OK;
    });
}

HRESULT TwainControl::Load(IStream* stream) noexcept {
    if (!stream) return E_POINTER;
    return load_settings_stream(stream);
}

HRESULT TwainControl::Save(IStream* stream, BOOL clear_dirty) noexcept {
    if (!stream) return E_POINTER;
    const HRESULT hr = save_settings_stream(stream);
    if (SUCCEEDED(hr) && clear_dirty) dirty_ = false;
    return hr;
}

HRESULT TwainControl::GetSizeMax(ULARGE_INTEGER* size) noexcept {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return com_boundary(IID_IPersistStreamInit, [&]() -> HRESULT {
        Settings settings(*this);
        PictureCodec pictures;
        std::vector<std::uint8_t> bytes;
        const Outcome r = persist::encode_settings(persist::capture(settings), pictures, bytes);
        if (!r.ok) return report_failure(r, IID_IPersistStreamInit);
        size->QuadPart = bytes.size();
        return S_OK;
    });
}

// ---- storage ---------------------------------------------------------------------------

namespace {
constexpr const wchar_t* kContents = L"Contents";
}

HRESULT TwainControl::InitNew(IStorage* storage) noexcept {
    if (!storage) return E_POINTER;
    return InitNew();
}

HRESULT TwainControl::Load(IStorage* storage) noexcept {
    if (!storage) return E_POINTER;
    com_ptr<IStream> stream;
    const HRESULT hr = storage->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put());
    if (FAILED(hr)) return set_error_info(hr, IID_IPersistStorage, L"The storage holds no settings of this control.");
    return load_settings_stream(stream.get());
}

HRESULT TwainControl::Save(IStorage* storage, BOOL) noexcept {
    if (!storage) return E_POINTER;
    com_ptr<IStream> stream;
    const HRESULT hr = storage->CreateStream(kContents, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                             stream.put());
    if (FAILED(hr)) return set_error_info(hr, IID_IPersistStorage, L"The settings cannot be stored.");
    return save_settings_stream(stream.get());
}

// The container says the save is done: only now is the control clean.
HRESULT TwainControl::SaveCompleted(IStorage*) noexcept {
    dirty_ = false;
    return S_OK;
}

HRESULT TwainControl::HandsOffStorage() noexcept { return S_OK; }

}  // namespace korvix
