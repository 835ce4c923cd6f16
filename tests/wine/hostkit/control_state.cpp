#include "tests/wine/hostkit/control_state.h"

#include <functional>

#include "common/win/unique_resource.h"
#include "tests/wine/hostkit/dispatch_call.h"

namespace korvix::hostkit {

control_state read_state(IDispatch* control) {
    control_state state;
    for (const wchar_t* name : {L"BackColor", L"Enabled", L"MouseIcon", L"MousePointer", L"ToolTipText",
                                L"ColorType", L"Resolution", L"filename", L"ShowProgress", L"ShowInterface",
                                L"AutoRedraw", L"BorderStyle", L"Scrollable", L"FileType", L"Picture",
                                L"BitmapWidth", L"BitmapHeight"}) {
        DISPID id = DISPID_UNKNOWN;
        dispid_of(control, name, &id);
        const dispatch_result r = dispatch_get(control, id);
        std::wstring value = !r.ok()                        ? L"<failed>"
                             : r.value.vt() == VT_DISPATCH ? std::to_wstring(reinterpret_cast<UINT_PTR>(r.value->pdispVal))
                                                           : r.value.as_string();
        if (value.size() > 64)
            value = L"#" + std::to_wstring(value.size()) + L":" + std::to_wstring(std::hash<std::wstring>()(value));
        state[name] = value;
    }
    return state;
}

std::vector<BYTE> saved_record(IUnknown* control) {
    com_ptr<IPersistStreamInit> persist;
    com_ptr<IStream> stream;
    STATSTG st{};
    if (FAILED(control->QueryInterface(IID_IPersistStreamInit, persist.put_void())) ||
        FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) || FAILED(persist->Save(stream.get(), FALSE)) ||
        FAILED(stream->Stat(&st, STATFLAG_NONAME)))
        return {};
    std::vector<BYTE> bytes(static_cast<size_t>(st.cbSize.QuadPart));
    ULONG got = 0;
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    if (!bytes.empty()) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got);
    return bytes;
}

HRESULT load_record(IUnknown* control, const std::vector<BYTE>& bytes) {
    com_ptr<IPersistStreamInit> persist;
    com_ptr<IStream> stream;
    KORVIX_RETURN_IF_FAILED(control->QueryInterface(IID_IPersistStreamInit, persist.put_void()));
    KORVIX_RETURN_IF_FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()));
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    ::SetErrorInfo(0, nullptr);
    return persist->Load(stream.get());
}

}  // namespace korvix::hostkit
