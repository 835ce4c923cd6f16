#include "control/object/settings_binding.h"

#include <cstring>
#include <string>
#include <vector>

#include "control/persist/stored_icon.h"

namespace korvix {

namespace {

std::string narrow(const char16_t* s) {
    std::string out;
    for (; *s; ++s) out.push_back(*s < 0x80 ? static_cast<char>(*s) : '?');
    return out;
}

const wchar_t* wide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }

const char* type_name(persist::ValueKind kind) {
    switch (kind) {
    case persist::ValueKind::Integer: return "Integer";
    case persist::ValueKind::Long: return "Long";
    case persist::ValueKind::String: return "String";
    case persist::ValueKind::Object: return "Picture";
    case persist::ValueKind::Boolean: return "Boolean";
    }
    return "?";
}

// RAII for a VARIANT the code owns.
struct Variant {
    VARIANT v;
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

void log_error(IErrorLog* log, const char16_t* key, HRESULT hr, const std::string& message) {
    if (!log) return;
    EXCEPINFO e{};
    e.scode = hr;
    e.bstrSource = ::SysAllocString(L"Korvix.Twain");
    std::wstring text(message.begin(), message.end());
    e.bstrDescription = ::SysAllocString(text.c_str());
    log->AddError(wide(key), &e);
    ::SysFreeString(e.bstrSource);
    ::SysFreeString(e.bstrDescription);
}

}  // namespace

persist::Value picture_value(IPictureDisp* picture) {
    if (!picture) return persist::Value::object_value(nullptr);
    picture->AddRef();
    return persist::Value::object_value(
        std::shared_ptr<void>(picture, [](void* p) { static_cast<IPictureDisp*>(p)->Release(); }));
}

IPictureDisp* picture_of(const persist::Value& value) noexcept { return static_cast<IPictureDisp*>(value.object.get()); }

persist::Outcome BagSource::fetch(const persist::KeyInfo& info, persist::Value& out) {
    Variant stored;
    if (info.written == persist::ValueKind::Object) {
        V_VT(&stored.v) = VT_DISPATCH;  // lets the bag make the object
        V_DISPATCH(&stored.v) = nullptr;
    }
    const HRESULT read = bag_->Read(wide(info.name), &stored.v, log_);
    if (read == E_OUTOFMEMORY)
        return persist::Outcome::failure(info.key, read, "Not enough memory to read the stored settings.");
    if (FAILED(read)) {
        // Not stored: the key's default.
        ::VariantClear(&stored.v);
        out = persist::default_value(info);
        out.kind = info.written;
        return persist::Outcome::success();
    }

    if (info.written == persist::ValueKind::Object) {
        const VARTYPE vt = V_VT(&stored.v);
        if (vt == VT_EMPTY || vt == VT_NULL || ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && !V_UNKNOWN(&stored.v))) {
            out = persist::Value::object_value(nullptr);
            return persist::Outcome::success();
        }
        com_ptr<IPictureDisp> picture;
        if (vt == VT_DISPATCH || vt == VT_UNKNOWN)
            V_UNKNOWN(&stored.v)->QueryInterface(IID_IPictureDisp, picture.put_void());
        if (!picture) {
            std::string message = "The stored value of \"" + narrow(info.name) + "\" is not a picture.";
            log_error(log_, info.name, DISP_E_TYPEMISMATCH, message);
            return persist::Outcome::failure(info.key, DISP_E_TYPEMISMATCH, message);
        }
        out = picture_value(picture.get());
        return persist::Outcome::success();
    }

    Variant converted;
    const HRESULT hr = ::VariantChangeType(&converted.v, &stored.v, 0, static_cast<VARTYPE>(info.written));
    if (FAILED(hr)) {
        std::string message = "The stored value of \"" + narrow(info.name) + "\" cannot be converted to " +
                              type_name(info.written) + ".";
        log_error(log_, info.name, hr, message);
        return persist::Outcome::failure(info.key, hr, message);
    }
    switch (info.written) {
    case persist::ValueKind::Integer: out = persist::Value::integer(V_I2(&converted.v)); break;
    case persist::ValueKind::Long: out = persist::Value::long_value(V_I4(&converted.v)); break;
    case persist::ValueKind::Boolean: out = persist::Value::boolean(V_BOOL(&converted.v) != VARIANT_FALSE); break;
    case persist::ValueKind::String: {
        BSTR b = V_BSTR(&converted.v);
        const wchar_t* p = b ? b : L"";
        out = persist::Value::string(std::u16string(reinterpret_cast<const char16_t*>(p), b ? ::SysStringLen(b) : 0));
        break;
    }
    case persist::ValueKind::Object: break;
    }
    return persist::Outcome::success();
}

persist::Outcome BagSink::store(const persist::KeyInfo& info, const persist::Value& value, bool is_default) {
    if (is_default && !save_all_) return persist::Outcome::success();
    Variant v;
    switch (info.written) {
    case persist::ValueKind::Integer:
        V_VT(&v.v) = VT_I2;
        V_I2(&v.v) = static_cast<SHORT>(value.number);
        break;
    case persist::ValueKind::Long:
        V_VT(&v.v) = VT_I4;
        V_I4(&v.v) = value.number;
        break;
    case persist::ValueKind::Boolean:
        V_VT(&v.v) = VT_BOOL;
        V_BOOL(&v.v) = value.number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case persist::ValueKind::String:
        V_VT(&v.v) = VT_BSTR;
        V_BSTR(&v.v) = ::SysAllocStringLen(reinterpret_cast<const wchar_t*>(value.text.data()),
                                           static_cast<UINT>(value.text.size()));
        if (!V_BSTR(&v.v)) return persist::Outcome::failure(info.key, E_OUTOFMEMORY, "Not enough memory.");
        break;
    case persist::ValueKind::Object:
        V_VT(&v.v) = VT_DISPATCH;
        V_DISPATCH(&v.v) = picture_of(value);
        if (V_DISPATCH(&v.v)) V_DISPATCH(&v.v)->AddRef();
        break;
    }
    const HRESULT hr = bag_->Write(wide(info.name), &v.v);
    if (FAILED(hr))
        return persist::Outcome::failure(info.key, hr, "The container refused the setting \"" + narrow(info.name) + "\".");
    return persist::Outcome::success();
}

persist::Outcome PictureCodec::save(const std::shared_ptr<void>& object, std::vector<std::uint8_t>& bytes) {
    auto fail = [](HRESULT hr) {
        return persist::Outcome::failure(persist::Key::MouseIcon, hr, "The mouse icon cannot be saved.");
    };
    com_ptr<IPersistStream> persist_stream;
    HRESULT hr = static_cast<IPictureDisp*>(object.get())->QueryInterface(IID_IPersistStream, persist_stream.put_void());
    if (FAILED(hr)) return fail(hr);
    com_ptr<IStream> stream;
    hr = ::CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (FAILED(hr)) return fail(hr);
    hr = ::OleSaveToStream(persist_stream.get(), stream.get());
    if (FAILED(hr)) return fail(hr);
    ULARGE_INTEGER size{};
    hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &size);
    if (FAILED(hr)) return fail(hr);
    if (size.QuadPart > persist::kMaxPayloadSize) return fail(E_OUTOFMEMORY);
    HGLOBAL memory = nullptr;
    hr = ::GetHGlobalFromStream(stream.get(), &memory);
    if (FAILED(hr)) return fail(hr);
    global_lock lock(memory);
    if (!lock.get()) return fail(E_OUTOFMEMORY);
    const auto* p = static_cast<const std::uint8_t*>(lock.get());
    bytes.assign(p, p + static_cast<std::size_t>(size.QuadPart));
    return persist::Outcome::success();
}

persist::Outcome PictureCodec::load(const std::uint8_t* data, std::size_t size, std::shared_ptr<void>& object) {
    auto fail = [](HRESULT hr, const char* why) { return persist::Outcome::failure(persist::Key::MouseIcon, hr, why); };
    // The platform's picture loader trusts the bytes it is given and creates
    // whatever class they name: the record's bytes never reach it. The icon
    // is checked here and made from its checked image alone.
    persist::StoredIcon icon;
    const persist::IconError e = persist::check_stored_icon(data, size, icon);
    if (e != persist::IconError::none) return fail(CTL_E_INVALIDPICTURE, persist::describe(e));

    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_NONE;
    unique_hicon handle;
    if (!icon.empty) {
        // A cursor's resource form starts with its hot spot.
        std::vector<std::uint8_t> resource;
        if (icon.cursor) {
            const std::uint8_t hotspot[4] = {static_cast<std::uint8_t>(icon.hotspot_x),
                                             static_cast<std::uint8_t>(icon.hotspot_x >> 8),
                                             static_cast<std::uint8_t>(icon.hotspot_y),
                                             static_cast<std::uint8_t>(icon.hotspot_y >> 8)};
            resource.assign(hotspot, hotspot + 4);
        }
        resource.insert(resource.end(), data + icon.offset, data + icon.offset + icon.size);
        handle.reset(::CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), !icon.cursor,
                                                0x00030000, icon.width, icon.height, LR_DEFAULTCOLOR));
        if (!handle) return fail(CTL_E_INVALIDPICTURE, "The stored mouse icon cannot be made into an icon.");
        desc.picType = PICTYPE_ICON;
        desc.icon.hicon = handle.get();
    }
    com_ptr<IPictureDisp> picture;
    const HRESULT hr = ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void());
    if (FAILED(hr) || !picture) return fail(FAILED(hr) ? hr : E_FAIL, "The stored mouse icon cannot be read.");
    handle.release();  // the picture owns it now
    object = picture_value(picture.get()).object;
    return persist::Outcome::success();
}

HRESULT report_failure(const persist::Outcome& outcome, REFIID source) noexcept {
    const HRESULT hr = FAILED(outcome.code) ? static_cast<HRESULT>(outcome.code) : E_FAIL;
    wchar_t text[512];
    if (::MultiByteToWideChar(CP_UTF8, 0, outcome.message.c_str(), -1, text, 512) == 0) text[0] = 0;
    text[511] = 0;
    return set_error_info(hr, source, text[0] ? text : L"The settings cannot be read.");
}

HRESULT report_stream_error(persist::StreamError error, REFIID source) noexcept {
    HRESULT hr = E_FAIL;
    switch (error) {
    case persist::StreamError::none: return S_OK;
    case persist::StreamError::bad_magic:
    case persist::StreamError::unsupported_version:
    case persist::StreamError::too_large: hr = STG_E_INVALIDHEADER; break;
    case persist::StreamError::truncated: hr = STG_E_READFAULT; break;
    case persist::StreamError::bad_object: hr = CTL_E_INVALIDPICTURE; break;
    }
    wchar_t text[256];
    ::MultiByteToWideChar(CP_UTF8, 0, persist::describe(error), -1, text, 256);
    text[255] = 0;
    return set_error_info(hr, source, text);
}

}  // namespace korvix
