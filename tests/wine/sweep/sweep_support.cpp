#include "tests/wine/sweep/sweep_support.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::sweep {


com_ptr<ITwain> new_control() {
    com_ptr<IPersistStreamInit> init;
    if (FAILED(::CoCreateInstance(CLSID_Twain, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStreamInit,
                                  init.put_void())) ||
        FAILED(init->InitNew()))
        return {};
    return init.query<ITwain>(IID__Twain);
}

namespace {

// Long texts (a 1M-character tool tip) are compared by length and hash.
std::wstring fingerprint(BSTR text) {
    const std::wstring s = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    ::SysFreeString(text);
    if (s.size() <= 64) return s;
    return L"#" + std::to_wstring(s.size()) + L":" + std::to_wstring(std::hash<std::wstring>()(s));
}

template <typename T>
std::wstring read(HRESULT hr, T value) {
    return FAILED(hr) ? L"<failed>" : std::to_wstring(value);
}

std::wstring identity(HRESULT hr, IPictureDisp* p) {
    if (p) p->Release();
    return FAILED(hr) ? L"<failed>" : std::to_wstring(reinterpret_cast<UINT_PTR>(p));
}

}  // namespace

State read_state(ITwain* c) {
    State s;
    LONG l = 0;
    SHORT i = 0;
    VARIANT_BOOL b = 0;
    OLE_COLOR colour = 0;
    BSTR text = nullptr;
    IPictureDisp* picture = nullptr;
    HRESULT hr = c->get_BackColor(&colour);
    s[L"BackColor"] = read(hr, colour);
    hr = c->get_Enabled(&b);
    s[L"Enabled"] = read(hr, b);
    hr = c->get_MouseIcon(&picture);
    s[L"MouseIcon"] = identity(hr, picture);
    hr = c->get_MousePointer(&i);
    s[L"MousePointer"] = read(hr, i);
    hr = c->get_ToolTipText(&text);
    s[L"ToolTipText"] = FAILED(hr) ? L"<failed>" : fingerprint(text);
    hr = c->get_ColorType(&l);
    s[L"ColorType"] = read(hr, l);
    hr = c->get_Resolution(&i);
    s[L"Resolution"] = read(hr, i);
    text = nullptr;
    hr = c->get_filename(&text);
    s[L"Filename"] = FAILED(hr) ? L"<failed>" : fingerprint(text);
    hr = c->get_ShowProgress(&b);
    s[L"ShowProgress"] = read(hr, b);
    hr = c->get_ShowInterface(&b);
    s[L"ShowInterface"] = read(hr, b);
    hr = c->get_AutoRedraw(&b);
    s[L"AutoRedraw"] = read(hr, b);
    hr = c->get_BorderStyle(&i);
    s[L"BorderStyle"] = read(hr, i);
    hr = c->get_Scrollable(&b);
    s[L"Scrollable"] = read(hr, b);
    hr = c->get_FileType(&l);
    s[L"FileType"] = read(hr, l);
    picture = nullptr;
    hr = c->get_Picture(&picture);
    s[L"Picture"] = identity(hr, picture);
    hr = c->get_BitmapWidth(&l);
    s[L"BitmapWidth"] = read(hr, l);
    return s;
}

const std::vector<std::wstring>& state_keys_in_bag_order() {
    static const std::vector<std::wstring> keys = {
        L"BackColor",    L"Enabled",       L"MouseIcon",  L"MousePointer", L"ToolTipText", L"ColorType",
        L"Resolution",   L"Filename",      L"ShowProgress", L"ShowInterface", L"AutoRedraw", L"BorderStyle",
        L"Scrollable",   L"FileType"};
    return keys;
}

std::string differences(const State& before, const State& after) {
    std::string out;
    for (const auto& [key, value] : before) {
        auto it = after.find(key);
        if (it == after.end() || it->second != value) {
            out += std::string(key.begin(), key.end()) + ": " + std::string(value.begin(), value.end()) + " -> " +
                   (it == after.end() ? std::string("?") : std::string(it->second.begin(), it->second.end())) + "; ";
        }
    }
    return out;
}

std::wstring error_description() {
    com_ptr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return L"";
    BSTR text = nullptr;
    info->GetDescription(&text);
    std::wstring out = text ? text : L"";
    ::SysFreeString(text);
    return out;
}

// ---- generator ----------------------------------------------------------------

namespace {

class PlainObject final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG r = --refs_;
        if (r == 0) delete this;
        return r;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        // Its default value is text: neither a handle nor an object.
        if (result) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = ::SysAllocString(L"plain");
        }
        return S_OK;
    }

private:
    ~PlainObject() = default;
    LONG refs_ = 1;
};

}  // namespace

com_ptr<IDispatch> make_plain_object() { return com_ptr<IDispatch>::attach(new PlainObject()); }

Generator::Generator(std::uint32_t seed)
    : rng_(seed),
      not_a_picture_(make_plain_object()),
      bitmap_(hostkit::make_gradient_picture(40, 30)),
      icon_(hostkit::make_icon_picture()) {}

Generator::~Generator() = default;

std::size_t Generator::kinds() const noexcept { return 22; }

unique_variant Generator::value() { return make(next(static_cast<std::uint32_t>(kinds()))); }

unique_variant Generator::make(std::size_t kind) {
    static const SHORT shorts[] = {0, 1, -1, 2, 5, 15, 16, 99, 100, -32768, 32767};
    static const LONG longs[] = {0, -1, 0x7FFFFFFF, std::numeric_limits<LONG>::min(), static_cast<LONG>(0x80000005),
                                 static_cast<LONG>(0x800000FF), 0x00FF00, 2, 600, 65536};
    static const double doubles[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(), 1e308, -0.0, 0.5, 2.5, 1e10, -32768.5};
    static const std::wstring huge(1 << 20, L'x');
    static const std::wstring texts[] = {L"", L"abc", L"300", L"-1", L"True", L"1e400", L"C:\\scans\\a.bmp",
                                         std::wstring(L"nul\0inside", 10), huge};
    auto pick = [&](const auto& table) { return table[next(static_cast<std::uint32_t>(std::size(table)))]; };
    unique_variant v;
    VARIANT* p = v.get();
    switch (kind) {
    case 0: return unique_variant::i2(pick(shorts));
    case 1: return unique_variant::i4(pick(longs));
    case 2: V_VT(p) = VT_R8; V_R8(p) = pick(doubles); return v;
    case 3: V_VT(p) = VT_R4; V_R4(p) = static_cast<float>(pick(doubles)); return v;
    case 4: return unique_variant::boolean(chance(50));
    case 5: return unique_variant::bstr(pick(texts));
    case 6: V_VT(p) = VT_BSTR; V_BSTR(p) = nullptr; return v;
    case 7: return v;  // VT_EMPTY
    case 8: V_VT(p) = VT_NULL; return v;
    case 9: V_VT(p) = VT_ERROR; V_ERROR(p) = DISP_E_PARAMNOTFOUND; return v;
    case 10: return unique_variant::dispatch(nullptr);
    case 11: return unique_variant::dispatch(not_a_picture_.get());
    case 12: return unique_variant::dispatch(bitmap_.get());
    case 13: return unique_variant::dispatch(icon_.get());
    case 14:
        V_VT(p) = VT_UNKNOWN;
        V_UNKNOWN(p) = not_a_picture_.get();
        not_a_picture_->AddRef();
        return v;
    case 15: {
        referenced_.push_back(unique_variant::i2(pick(shorts)));
        V_VT(p) = VT_BYREF | VT_I2;
        V_I2REF(p) = &referenced_.back()->iVal;
        return v;
    }
    case 16: {
        referenced_.push_back(chance(50) ? unique_variant::i4(pick(longs)) : unique_variant::bstr(pick(texts)));
        V_VT(p) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(p) = referenced_.back().get();
        return v;
    }
    case 17: {
        referenced_.push_back(unique_variant::bstr(pick(texts)));
        V_VT(p) = VT_BYREF | VT_BSTR;
        V_BSTRREF(p) = &referenced_.back()->bstrVal;
        return v;
    }
    case 18: {
        SAFEARRAY* array = ::SafeArrayCreateVector(VT_I4, 0, 3);
        V_VT(p) = VT_ARRAY | VT_I4;
        V_ARRAY(p) = array;
        return v;
    }
    case 19: V_VT(p) = VT_DATE; V_DATE(p) = 1e9; return v;
    case 20: V_VT(p) = VT_UI4; V_UI4(p) = 0xFFFFFFFFu; return v;
    default: V_VT(p) = VT_I8; V_I8(p) = std::numeric_limits<LONGLONG>::max(); return v;
    }
}

// ---- watchdog ------------------------------------------------------------------

namespace {

std::atomic<int> g_dialogs_closed{0};

struct WatchdogArgs {
    HANDLE stop;
    DWORD ui_thread;
    unsigned seconds;
};

BOOL CALLBACK close_dialog(HWND hwnd, LPARAM) {
    wchar_t name[16] = {};
    ::GetClassNameW(hwnd, name, 16);
    if (::IsWindowVisible(hwnd) && lstrcmpW(name, L"#32770") == 0) {
        ::PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
        ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
        ++g_dialogs_closed;
    }
    return TRUE;
}

DWORD WINAPI watch(void* raw) {
    const WatchdogArgs args = *static_cast<WatchdogArgs*>(raw);
    delete static_cast<WatchdogArgs*>(raw);
    const ULONGLONG deadline = ::GetTickCount64() + args.seconds * 1000ull;
    while (::WaitForSingleObject(args.stop, 50) == WAIT_TIMEOUT) {
        ::EnumThreadWindows(args.ui_thread, close_dialog, 0);
        if (::GetTickCount64() > deadline) {
            std::fprintf(stderr, "sweep: no progress for %u s, giving up\n", args.seconds);
            std::fflush(stderr);
            ::ExitProcess(3);
        }
    }
    return 0;
}

}  // namespace

Watchdog::Watchdog(unsigned seconds) : stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    auto* args = new WatchdogArgs{stop_.get(), ::GetCurrentThreadId(), seconds};
    thread_.reset(::CreateThread(nullptr, 0, watch, args, 0, nullptr));
    if (!thread_) delete args;
}

Watchdog::~Watchdog() {
    ::SetEvent(stop_.get());
    if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
}

int Watchdog::dialogs_closed() const noexcept { return g_dialogs_closed; }

}  // namespace korvix::sweep
