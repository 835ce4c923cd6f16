// The control's events handled by a VBScript, as a page or form host runs
// one: the host puts the control and a picture on the form as Twain1 and
// Page, connects the control's events to the script's Twain1_<event> Subs,
// and plays the user's part on the bars, the mouse and the keys. (Wine's
// cscript cannot connect script event handlers: it has no
// WScript.CreateObject with a prefix.)
#include <initguid.h>  // defines the engine's interface identifiers, used only here
#include <activscp.h>

#include "control/typelib/twain_members.h"
#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/viewport/viewport_env.h"

namespace korvix::viewport_test {
namespace {

// {B54F3741-5B07-11CF-A4B0-00AA004A55E8}
const CLSID kVBScript = {0xB54F3741, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};
const IID kNoIid = {};

const wchar_t kScript[] = LR"(
Option Explicit
Dim log
Set Twain1.Picture = Page

Sub Twain1_Scroll()
    log = log & "Scroll "
End Sub
Sub Twain1_Click()
    log = log & "Click "
End Sub
Sub Twain1_MouseDown(Button, Shift, x, y)
    log = log & "MouseDown(" & Button & "," & Shift & "," & x & "," & y & ") "
End Sub
Sub Twain1_KeyPress(KeyAscii)
    log = log & "KeyPress(" & KeyAscii & ") of " & Twain1.BitmapWidth
End Sub
Function Take()
    Take = Trim(log)
    log = ""
End Function
)";

// The engine's site: names the control and the page; a script error fails the test.
class script_site final : public IActiveScriptSite {
public:
    script_site(IUnknown* control, IUnknown* page) : control_(control), page_(page) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IActiveScriptSite ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives as long as the test
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetLCID(LCID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown, ITypeInfo** info) override {
        if (info) *info = nullptr;
        IUnknown* item = ::lstrcmpiW(name, L"Twain1") == 0 ? control_ : ::lstrcmpiW(name, L"Page") == 0 ? page_ : nullptr;
        if (!item) return TYPE_E_ELEMENTNOTFOUND;
        if ((mask & SCRIPTINFO_IUNKNOWN) && unknown) (*unknown = item)->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override {
        ULONG line = 0;
        error->GetSourcePosition(nullptr, &line, nullptr);
        ADD_FAILURE() << "script error on line " << line;
        return S_OK;
    }
    STDMETHODIMP OnEnterScript() override { return S_OK; }
    STDMETHODIMP OnLeaveScript() override { return S_OK; }

private:
    IUnknown *control_, *page_;
};

using ScriptEvents = ViewportTest;

TEST_F(ScriptEvents, VBScriptSubsHandleTheEvents) {
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    com_ptr<IPictureDisp> page = hostkit::make_gradient_picture(1000, 600);
    com_ptr<IActiveScript> engine;
    ASSERT_EQ(::CoCreateInstance(kVBScript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript, engine.put_void()), S_OK);
    com_ptr<IActiveScriptParse> parser = engine.query<IActiveScriptParse>(IID_IActiveScriptParse);
    script_site site(twain.control(), page.get());
    ASSERT_TRUE(parser && SUCCEEDED(engine->SetScriptSite(&site)) && SUCCEEDED(parser->InitNew()));
    engine->AddNamedItem(L"Twain1", SCRIPTITEM_ISVISIBLE);
    engine->AddNamedItem(L"Page", SCRIPTITEM_ISVISIBLE);
    // The Subs exist before the events are connected and the script's own code runs.
    ASSERT_EQ(parser->ParseScriptText(kScript, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, nullptr), S_OK);
    com_ptr<IDispatch> script;
    ASSERT_EQ(engine->GetScriptDispatch(nullptr, script.put()), S_OK);
    const auto script_member = [&](std::wstring name) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {&name[0]};
        script->GetIDsOfNames(kNoIid, names, 1, 0, &id);
        return id;
    };
    // Each event calls the script's Sub of the same name with the event's own arguments.
    auto events = hostkit::event_sink::create();
    events->set_handler([&](DISPID id, DISPPARAMS& params) {
        for (const auto& row : typelib::kTwainEvents)
            if (DISPID sub = row.dispid == id ? script_member(L"Twain1_" + std::wstring(row.name)) : DISPID_UNKNOWN;
                sub != DISPID_UNKNOWN)
                script->Invoke(sub, kNoIid, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        return S_OK;
    });
    hostkit::sink_connection connection(twain.control(), DIID___Twain, events.get());
    ASSERT_EQ(engine->SetScriptState(SCRIPTSTATE_CONNECTED), S_OK);
    EXPECT_EQ(get(twain.control(), DISPID_Twain_BitmapWidth)->lVal, 1000);

    const auto taken = [&] {
        const hostkit::dispatch_result r = hostkit::dispatch_call(script.get(), script_member(L"Take"));
        return r.value.vt() == VT_BSTR ? std::wstring(r.value->bstrVal) : L"(no log)";
    };
    scroll(w, false, SB_THUMBTRACK, 300);
    EXPECT_EQ(taken(), L"Scroll");
    ::SendMessageW(w.picture_box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 7));
    ::SendMessageW(w.picture_box, WM_LBUTTONUP, 0, MAKELPARAM(5, 7));
    EXPECT_EQ(taken(), L"MouseDown(1,0,5,7) Click");
    ::SendMessageW(w.surface, WM_CHAR, 'x', 0);
    EXPECT_EQ(taken(), L"KeyPress(120) of 1000");
    connection.disconnect();
    engine->Close();
}

}  // namespace
}  // namespace korvix::viewport_test
