// A script host of our own for the control with its events connected:
// Wine's cscript cannot connect script event handlers (no
// WScript.CreateObject with a prefix), so this program hosts the VBScript
// engine itself, as a web page or form host does. It puts a real control on
// a form, names it Twain1 for the script, and gives the script a Host object
// that can make pictures and play the user's part (bar messages, mouse and
// keys, resizing the control) and read back what the picture box shows. The
// control's events go to the script's Subs named Twain1_<event>, with the
// event's own arguments: by-reference ones come back written by the script
// (see event_bridge::call_script for how, under Wine's engine).
//   script_host <module> <script.vbs>
// Exit code: the script's `failures` (script errors count too), 90+ for
// host failures.
#include <windows.h>
// The engine's interface identifiers are defined here, in the one file that uses them.
#include <initguid.h>
#include <activscp.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/property_notify_recorder.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/hostkit/view_windows.h"
#include "tests/wine/hostkit/window_capture.h"

namespace {

using namespace korvix;

// {B54F3741-5B07-11CF-A4B0-00AA004A55E8}
const CLSID kVBScript = {0xB54F3741, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};

const IID kNoIid = {};

int g_script_errors = 0;

// A small IDispatch whose members are C++ functions, found by name
// (case-insensitively, as VBScript names are).
class function_object : public IDispatch {
public:
    using member = std::function<HRESULT(DISPPARAMS&, VARIANT*)>;
    void add(const std::wstring& name, member body) {
        const DISPID id = static_cast<DISPID>(members_.size() + 1);
        ids_[lower(name)] = id;
        members_.push_back(std::move(body));
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives as long as main()
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            auto it = ids_.find(lower(names[i]));
            ids[i] = it == ids_.end() ? DISPID_UNKNOWN : it->second;
            if (it == ids_.end()) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (id < 1 || static_cast<size_t>(id) > members_.size() || !params) return DISP_E_MEMBERNOTFOUND;
        return members_[static_cast<size_t>(id) - 1](*params, result);
    }

private:
    static std::wstring lower(std::wstring s) {
        for (wchar_t& c : s) c = static_cast<wchar_t>(::towlower(c));
        return s;
    }
    LONG refs_ = 1;
    std::map<std::wstring, DISPID> ids_;
    std::vector<member> members_;
};

// Argument i in declared order, converted.
LONG long_arg(DISPPARAMS& p, UINT i) {
    VARIANT v;
    ::VariantInit(&v);
    if (i >= p.cArgs || FAILED(::VariantChangeType(&v, &p.rgvarg[p.cArgs - 1 - i], 0, VT_I4))) return 0;
    return V_I4(&v);
}

std::wstring string_arg(DISPPARAMS& p, UINT i) {
    VARIANT v;
    ::VariantInit(&v);
    if (i >= p.cArgs || FAILED(::VariantChangeType(&v, &p.rgvarg[p.cArgs - 1 - i], 0, VT_BSTR))) return L"";
    std::wstring s(V_BSTR(&v), ::SysStringLen(V_BSTR(&v)));
    ::VariantClear(&v);
    return s;
}

void set_long(VARIANT* result, LONG value) {
    if (!result) return;
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

// The engine's site: names the control and the host object, reports errors.
class script_site final : public IActiveScriptSite {
public:
    script_site(IUnknown* control, IDispatch* host) : control_(control), host_(host) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IActiveScriptSite) return E_NOINTERFACE;
        *out = static_cast<IActiveScriptSite*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetLCID(LCID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown, ITypeInfo** info) override {
        if (unknown) *unknown = nullptr;
        if (info) *info = nullptr;
        IUnknown* item = ::lstrcmpiW(name, L"Twain1") == 0 ? control_ : ::lstrcmpiW(name, L"Host") == 0 ? host_
                                                                                                     : nullptr;
        if (!item) return TYPE_E_ELEMENTNOTFOUND;
        if ((mask & SCRIPTINFO_IUNKNOWN) && unknown) {
            *unknown = item;
            item->AddRef();
        }
        return S_OK;
    }
    STDMETHODIMP GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override {
        ++g_script_errors;
        EXCEPINFO info{};
        DWORD context = 0;
        ULONG line = 0;
        LONG column = 0;
        error->GetExceptionInfo(&info);
        error->GetSourcePosition(&context, &line, &column);
        std::printf("SCRIPT ERROR line %lu: 0x%08lX %ls\n", line + 1, static_cast<unsigned long>(info.scode),
                    info.bstrDescription ? info.bstrDescription : L"");
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
        return S_OK;
    }
    STDMETHODIMP OnEnterScript() override { return S_OK; }
    STDMETHODIMP OnLeaveScript() override { return S_OK; }

private:
    IUnknown* control_;
    IDispatch* host_;
};

// Turns the control's events into calls of the script's Twain1_<event>
// Subs, passing the control's own arguments through.
class event_bridge final : public IDispatch {
public:
    event_bridge(IDispatch* script, ITypeInfo* events) : script_(script), events_(events) {}
    SHORT last_key_ascii = -1;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID___Twain) return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        BSTR name = nullptr;
        UINT found = 0;
        if (FAILED(events_->GetNames(id, &name, 1, &found)) || found == 0) return S_OK;
        std::wstring handler = L"Twain1_" + std::wstring(name);
        ::SysFreeString(name);
        LPOLESTR names[] = {&handler[0]};
        DISPID script_id = DISPID_UNKNOWN;
        if (SUCCEEDED(script_->GetIDsOfNames(kNoIid, names, 1, LOCALE_USER_DEFAULT, &script_id)))
            call_script(script_id, *params);
        // What the control goes on with after every handler had its say.
        if (id == DISPID_TwainEvent_KeyPress && params && params->cArgs == 1 &&
            V_VT(&params->rgvarg[0]) == (VT_BYREF | VT_I2))
            last_key_ascii = *V_I2REF(&params->rgvarg[0]);
        return S_OK;
    }

private:
    // Wine's VBScript writes a ByRef parameter back only through a Variant
    // reference (VT_BYREF | VT_VARIANT), not through the typed references
    // the control passes (VT_BYREF | VT_I2, VT_BYREF | VT_R4). So the script
    // gets Variant references to copies, and what it leaves in them goes
    // back through the control's own references afterwards.
    void call_script(DISPID id, DISPPARAMS& params) {
        std::vector<VARIANT> values(params.cArgs), references(params.cArgs);
        for (UINT i = 0; i < params.cArgs; ++i) {
            ::VariantInit(&values[i]);
            ::VariantCopyInd(&values[i], &params.rgvarg[i]);
            V_VT(&references[i]) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(&references[i]) = &values[i];
        }
        DISPPARAMS passed{references.data(), nullptr, params.cArgs, 0};
        VARIANT ignored;
        ::VariantInit(&ignored);
        script_->Invoke(id, kNoIid, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &passed, &ignored, nullptr, nullptr);
        ::VariantClear(&ignored);
        for (UINT i = 0; i < params.cArgs; ++i) {
            VARIANT& original = params.rgvarg[i];
            if (V_VT(&original) & VT_BYREF) {
                const VARTYPE type = static_cast<VARTYPE>(V_VT(&original) & ~VT_BYREF);
                if (SUCCEEDED(::VariantChangeType(&values[i], &values[i], 0, type))) {
                    if (type == VT_I2) *V_I2REF(&original) = V_I2(&values[i]);
                    if (type == VT_R4) *V_R4REF(&original) = V_R4(&values[i]);
                }
            }
            ::VariantClear(&values[i]);
        }
    }

    IDispatch* script_;
    ITypeInfo* events_;
};

std::wstring read_script(const std::wstring& path) {
    std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string bytes = text.str();
    return std::wstring(bytes.begin(), bytes.end());
}

int run(const std::wstring& module, const std::wstring& script_path) {
    if (FAILED(hostkit::register_server(module))) return 91;
    hostkit::frame_window frame(L"Korvix script host", SIZE{640, 480});
    auto control = hostkit::host_new_control(frame.hwnd(), RECT{0, 0, 320, 240});
    hostkit::pump_messages();
    VARIANT hwnd;
    ::VariantInit(&hwnd);
    DISPPARAMS none{};
    control->dispatch()->Invoke(DISPID_Twain_hwnd, kNoIid, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &hwnd,
                                nullptr, nullptr);
    const hostkit::view_windows windows =
        hostkit::find_view_windows(reinterpret_cast<HWND>(static_cast<LONG_PTR>(V_I4(&hwnd))));

    com_ptr<IActiveScript> engine;
    if (FAILED(::CoCreateInstance(kVBScript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript, engine.put_void())))
        return 95;
    com_ptr<IActiveScriptParse> parser = engine.query<IActiveScriptParse>(IID_IActiveScriptParse);
    if (!parser) return 96;

    event_bridge* bridge_for_host = nullptr;
    function_object host;
    host.add(L"Echo", [](DISPPARAMS& p, VARIANT*) {
        std::printf("%ls\n", string_arg(p, 0).c_str());
        std::fflush(stdout);
        return S_OK;
    });
    host.add(L"GradientPicture", [](DISPPARAMS& p, VARIANT* result) {
        com_ptr<IPictureDisp> picture = hostkit::make_gradient_picture(long_arg(p, 0), long_arg(p, 1));
        if (result) {
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = picture.detach();
        }
        return S_OK;
    });
    // Scroll vertical, code, position: the bar's own notification.
    host.add(L"Scroll", [&](DISPPARAMS& p, VARIANT*) {
        const bool vertical = long_arg(p, 0) != 0;
        ::SendMessageW(windows.surface, vertical ? WM_VSCROLL : WM_HSCROLL,
                       MAKEWPARAM(static_cast<WORD>(long_arg(p, 1)), static_cast<WORD>(long_arg(p, 2))),
                       reinterpret_cast<LPARAM>(vertical ? windows.vscroll : windows.hscroll));
        return S_OK;
    });
    // Mouse message, wParam, x, y: sent to the picture box.
    host.add(L"Mouse", [&](DISPPARAMS& p, VARIANT*) {
        ::SendMessageW(windows.picture_box, static_cast<UINT>(long_arg(p, 0)), static_cast<WPARAM>(long_arg(p, 1)),
                       MAKELPARAM(long_arg(p, 2), long_arg(p, 3)));
        return S_OK;
    });
    // Key message, code: sent to the control surface.
    host.add(L"Key", [&](DISPPARAMS& p, VARIANT*) {
        ::SendMessageW(windows.surface, static_cast<UINT>(long_arg(p, 0)), static_cast<WPARAM>(long_arg(p, 1)), 0);
        return S_OK;
    });
    host.add(L"LastKeyAscii", [&](DISPPARAMS&, VARIANT* result) {
        set_long(result, bridge_for_host ? bridge_for_host->last_key_ascii : -1);
        return S_OK;
    });
    host.add(L"Resize", [&](DISPPARAMS& p, VARIANT*) {
        control->move(RECT{0, 0, long_arg(p, 0), long_arg(p, 1)});
        hostkit::pump_messages();
        return S_OK;
    });
    host.add(L"Pump", [](DISPPARAMS&, VARIANT*) {
        ::Sleep(20);
        hostkit::pump_messages();
        return S_OK;
    });
    // BoxPixel x, y: what the picture box shows there (&HBBGGRR).
    host.add(L"BoxPixel", [&](DISPPARAMS& p, VARIANT* result) {
        hostkit::pump_messages();
        ::UpdateWindow(windows.picture_box);
        set_long(result, static_cast<LONG>(hostkit::capture_window(windows.picture_box).at(long_arg(p, 0), long_arg(p, 1))));
        return S_OK;
    });
    // Gradient x, y, width, height: the colour GradientPicture gave that pixel.
    host.add(L"Gradient", [](DISPPARAMS& p, VARIANT* result) {
        set_long(result, static_cast<LONG>(hostkit::gradient_pixel(long_arg(p, 0), long_arg(p, 1), long_arg(p, 2),
                                                                   long_arg(p, 3))));
        return S_OK;
    });

    script_site site(control->unknown(), &host);
    if (FAILED(engine->SetScriptSite(&site)) || FAILED(parser->InitNew())) return 97;
    engine->AddNamedItem(L"Twain1", SCRIPTITEM_ISVISIBLE);
    engine->AddNamedItem(L"Host", SCRIPTITEM_ISVISIBLE);
    const std::wstring text = read_script(script_path);
    if (text.empty()) return 98;
    // The handlers must exist before the control can call them: parse,
    // connect the events, then run the script's own code.
    EXCEPINFO excep{};
    if (FAILED(parser->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0, 0, nullptr, &excep))) return 99;
    com_ptr<IDispatch> script;
    engine->GetScriptDispatch(nullptr, script.put());
    com_ptr<ITypeInfo> events;
    {
        com_ptr<IProvideClassInfo> info = com_ptr<IUnknown>(control->unknown()).query<IProvideClassInfo>(IID_IProvideClassInfo);
        com_ptr<ITypeInfo> coclass;
        if (!info || FAILED(info->GetClassInfo(coclass.put()))) return 100;
        TYPEATTR* attr = nullptr;
        coclass->GetTypeAttr(&attr);
        for (UINT i = 0; attr && i < attr->cImplTypes; ++i) {
            INT flags = 0;
            HREFTYPE ref = 0;
            coclass->GetImplTypeFlags(i, &flags);
            if ((flags & IMPLTYPEFLAG_FSOURCE) && (flags & IMPLTYPEFLAG_FDEFAULT) &&
                SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref)))
                coclass->GetRefTypeInfo(ref, events.put());
        }
        if (attr) coclass->ReleaseTypeAttr(attr);
    }
    if (!script || !events) return 100;
    event_bridge bridge(script.get(), events.get());
    bridge_for_host = &bridge;
    hostkit::sink_connection connection(control->unknown(), DIID___Twain, &bridge);
    engine->SetScriptState(SCRIPTSTATE_CONNECTED);  // runs the global code

    LPOLESTR failures_name[] = {const_cast<LPOLESTR>(L"failures")};
    DISPID failures_id = DISPID_UNKNOWN;
    VARIANT failures;
    ::VariantInit(&failures);
    if (FAILED(script->GetIDsOfNames(kNoIid, failures_name, 1, LOCALE_USER_DEFAULT, &failures_id)) ||
        FAILED(script->Invoke(failures_id, kNoIid, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &failures,
                              nullptr, nullptr)) ||
        FAILED(::VariantChangeType(&failures, &failures, 0, VT_I4)))
        return 101;
    connection.disconnect();
    engine->Close();
    control->teardown();
    std::printf("script host: %ld failures, %d script errors\n", V_I4(&failures), g_script_errors);
    return static_cast<int>(V_I4(&failures)) + g_script_errors;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: script_host <module> <script.vbs>\n");
        return 90;
    }
    ::OleInitialize(nullptr);
    int code = 94;
    try {
        code = run(korvix::hostkit::windows_path(argv[1]), korvix::hostkit::windows_path(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "script host: %s\n", e.what());
    }
    ::OleUninitialize();
    return code;
}
