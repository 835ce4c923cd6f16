// The control in a container's window: activation, placement, events
// from the real windows, and what is left after Close or a bare Release.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "object_test_support.h"

namespace korvix::object_test {
namespace {

// A client site that is also an in-place site, over a real top-level window.
class TestSite final : public IOleClientSite, public IOleInPlaceSite {
public:
    LONG refs = 1;
    HWND window = nullptr;
    RECT pos = {10, 20, 210, 170};
    std::vector<std::string> calls;

    TestSite() {
        window = ::CreateWindowExW(0, L"STATIC", L"site", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                                   nullptr, nullptr, nullptr, nullptr);
    }
    ~TestSite() { ::DestroyWindow(window); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
            *out = static_cast<IOleInPlaceSite*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { calls.push_back("SaveObject"); return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override { *m = nullptr; return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override { *c = nullptr; return E_NOINTERFACE; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* h) override { *h = window; return S_OK; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { calls.push_back("CanInPlaceActivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { calls.push_back("OnInPlaceActivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { calls.push_back("OnUIActivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT p,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
        *frame = nullptr;
        *doc = nullptr;
        *p = pos;
        *clip = pos;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { calls.push_back("OnUIDeactivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { calls.push_back("OnInPlaceDeactivate"); return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { calls.push_back("OnPosRectChange"); return S_OK; }
};

BOOL CALLBACK count_one(HWND, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    return TRUE;
}

int count_children(HWND parent) {
    int n = 0;
    ::EnumChildWindows(parent, count_one, reinterpret_cast<LPARAM>(&n));
    return n;
}

BOOL CALLBACK count_with_children(HWND h, LPARAM p) {
    *reinterpret_cast<int*>(p) += 1 + count_children(h);
    return TRUE;
}

int count_thread_windows() {
    int n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), count_with_children, reinterpret_cast<LPARAM>(&n));
    return n;
}

void pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool contains(const std::vector<std::string>& calls, const char* name) {
    for (const auto& c : calls)
        if (c == name) return true;
    return false;
}

TEST(ControlSite, InPlaceActivationPlacesTheSurfaceAndCloseLetsEverythingGo) {
    TestSite site;
    ASSERT_NE(site.window, nullptr);
    EventRecorder events;
    {
        com_ptr<IUnknown> control = create_control();
        ASSERT_TRUE(control);
        com_ptr<IOleObject> ole = control.query<IOleObject>(IID_IOleObject);
        ASSERT_EQ(control.query<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew(), S_OK);
        ASSERT_EQ(ole->SetClientSite(&site), S_OK);
        EXPECT_GT(site.refs, 1);
        DWORD cookie = 0;
        com_ptr<IConnectionPoint> cp;
        control.query<IConnectionPointContainer>(IID_IConnectionPointContainer)
            ->FindConnectionPoint(DIID___Twain, cp.put());
        ASSERT_EQ(cp->Advise(&events, &cookie), S_OK);

        SIZEL extent = {5292, 3969};  // 200 x 150 pixels at 96 dpi
        ASSERT_EQ(ole->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
        SIZEL back{};
        EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &back), S_OK);
        EXPECT_EQ(back.cx, extent.cx);

        ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
        EXPECT_EQ(site.calls[0], "CanInPlaceActivate");
        EXPECT_EQ(site.calls[1], "OnInPlaceActivate");
        EXPECT_FALSE(contains(site.calls, "OnUIActivate"));

        com_ptr<IOleInPlaceObject> inplace = control.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
        HWND surface = nullptr;
        ASSERT_EQ(inplace->GetWindow(&surface), S_OK);
        EXPECT_EQ(::GetParent(surface), site.window);
        EXPECT_TRUE(::IsWindowVisible(surface) || !::IsWindowVisible(site.window));
        RECT r{};
        ::GetWindowRect(surface, &r);
        EXPECT_EQ(r.right - r.left, 200);
        EXPECT_EQ(r.bottom - r.top, 150);

        // A new size from the container: the surface follows and Resize is raised.
        events.events.clear();
        RECT bigger = {10, 20, 310, 240};
        ASSERT_EQ(inplace->SetObjectRects(&bigger, &bigger), S_OK);
        pump();
        ::GetWindowRect(surface, &r);
        EXPECT_EQ(r.right - r.left, 300);
        EXPECT_NE(std::find(events.events.begin(), events.events.end(), DISPID_TwainEvent_Resize),
                  events.events.end());

        // The hwnd property is the picture box, a child of the surface.
        com_ptr<IDispatch> dispatch = control.query<IDispatch>(IID_IDispatch);
        HWND box = reinterpret_cast<HWND>(static_cast<LONG_PTR>(get_long(dispatch.get(), L"hwnd")));
        EXPECT_TRUE(::IsWindow(box));
        EXPECT_EQ(::GetParent(box), surface);

        ASSERT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_TRUE(contains(site.calls, "OnInPlaceDeactivate"));
        EXPECT_EQ(count_children(site.window), 0);
        EXPECT_EQ(site.refs, 1);  // Close let go of the site
        com_ptr<IOleClientSite> none;
        EXPECT_EQ(ole->GetClientSite(none.put()), S_OK);
        EXPECT_FALSE(none);
        cp->Unadvise(cookie);
    }
    EXPECT_EQ(events.refs, 1);
}

TEST(ControlSite, ReleaseWhileActiveLeavesNoWindowAndNoSiteReference) {
    TestSite site;
    const int windows_before = count_thread_windows();
    {
        com_ptr<IUnknown> control = create_control();
        com_ptr<IOleObject> ole = control.query<IOleObject>(IID_IOleObject);
        ole->SetClientSite(&site);
        ASSERT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
        EXPECT_TRUE(contains(site.calls, "OnUIActivate"));
        EXPECT_GT(count_children(site.window), 0);
        // No Close, no SetClientSite(NULL): the container just lets go.
    }
    pump();
    EXPECT_EQ(site.refs, 1);
    EXPECT_EQ(count_children(site.window), 0);
    EXPECT_EQ(count_thread_windows(), windows_before);
}

TEST(ControlSite, DeactivationParksTheSurfaceAndActivatesAgain) {
    TestSite site;
    com_ptr<IUnknown> control = create_control();
    com_ptr<IOleObject> ole = control.query<IOleObject>(IID_IOleObject);
    ole->SetClientSite(&site);
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
    com_ptr<IOleInPlaceObject> inplace = control.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    ASSERT_EQ(inplace->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(count_children(site.window), 0);
    HWND none = reinterpret_cast<HWND>(1);
    EXPECT_EQ(inplace->GetWindow(&none), E_FAIL);
    EXPECT_EQ(none, nullptr);
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
    EXPECT_GT(count_children(site.window), 0);
    ASSERT_EQ(ole->SetClientSite(nullptr), S_OK);
    EXPECT_EQ(count_children(site.window), 0);
    EXPECT_EQ(site.refs, 1);
}

TEST(ControlSite, DrawRendersIntoAMemoryDeviceContext) {
    com_ptr<IUnknown> control = create_control();
    com_ptr<IViewObject2> view = control.query<IViewObject2>(IID_IViewObject2);
    window_dc screen(nullptr);
    unique_hdc dc(::CreateCompatibleDC(screen.get()));
    unique_hbitmap bmp(::CreateCompatibleBitmap(screen.get(), 64, 48));
    select_scope sel(dc.get(), bmp.get());
    RECTL bounds = {0, 0, 64, 48};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(), &bounds, nullptr, nullptr, 0),
              S_OK);
    EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc.get(), &bounds, nullptr, nullptr, 0),
              DV_E_DVASPECT);
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr, nullptr, 0),
              E_INVALIDARG);
}

TEST(ControlSite, PictureBoxMouseEventsCarryByReferenceArgumentsUnlessFrozen) {
    TestSite site;
    EventRecorder events;
    com_ptr<IUnknown> control = create_control();
    com_ptr<IOleObject> ole = control.query<IOleObject>(IID_IOleObject);
    ole->SetClientSite(&site);
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
    DWORD cookie = 0;
    com_ptr<IConnectionPoint> cp;
    control.query<IConnectionPointContainer>(IID_IConnectionPointContainer)->FindConnectionPoint(DIID___Twain, cp.put());
    ASSERT_EQ(cp->Advise(&events, &cookie), S_OK);
    com_ptr<IDispatch> dispatch = control.query<IDispatch>(IID_IDispatch);
    HWND box = reinterpret_cast<HWND>(static_cast<LONG_PTR>(get_long(dispatch.get(), L"hwnd")));
    ASSERT_TRUE(::IsWindow(box));

    ::SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    auto down = std::find(events.events.begin(), events.events.end(), DISPID_TwainEvent_MouseDown);
    ASSERT_NE(down, events.events.end());
    const std::vector<VARTYPE>& types = events.arg_types[down - events.events.begin()];
    const std::vector<VARTYPE> expected = {VT_BYREF | VT_R4, VT_BYREF | VT_R4, VT_BYREF | VT_I2, VT_BYREF | VT_I2};
    EXPECT_EQ(types, expected);
    ::SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));

    com_ptr<IOleControl> ctl = control.query<IOleControl>(IID_IOleControl);
    ASSERT_EQ(ctl->FreezeEvents(TRUE), S_OK);
    events.events.clear();
    ::SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    ::SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    EXPECT_TRUE(events.events.empty());
    ASSERT_EQ(ctl->FreezeEvents(FALSE), S_OK);
    ::SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    ::SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    EXPECT_FALSE(events.events.empty());
    cp->Unadvise(cookie);
    ole->Close(OLECLOSE_NOSAVE);
}

TEST(ControlSite, DestroyedContainerWindowReturnsTheControlToTheLoadedState) {
    TestSite site;
    com_ptr<IUnknown> control = create_control();
    com_ptr<IOleObject> ole = control.query<IOleObject>(IID_IOleObject);
    com_ptr<IOleInPlaceObject> inplace = control.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    com_ptr<IDispatch> dispatch = control.query<IDispatch>(IID_IDispatch);
    ASSERT_EQ(control.query<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew(), S_OK);
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
    Variant tip;
    V_VT(&tip.v) = VT_BSTR;
    V_BSTR(&tip.v) = ::SysAllocString(L"tip");
    ASSERT_EQ(put_value(dispatch.get(), L"ToolTipText", tip.v), S_OK);

    ::DestroyWindow(site.window);
    HWND none = reinterpret_cast<HWND>(1);
    EXPECT_EQ(inplace->GetWindow(&none), E_FAIL);
    EXPECT_EQ(none, nullptr);
    EXPECT_NE(std::find(site.calls.begin(), site.calls.end(), "OnInPlaceDeactivate"), site.calls.end());
    for (LONG enabled : {0L, -1L}) {
        VARIANT value;
        V_VT(&value) = VT_I4;
        V_I4(&value) = enabled;
        EXPECT_EQ(put_value(dispatch.get(), L"Enabled", value), S_OK);
        EXPECT_EQ(get_long(dispatch.get(), L"Enabled"), enabled);
    }

    // A new window of the same container: activation works, more than once.
    site.window = ::CreateWindowExW(0, L"STATIC", L"site", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                                    nullptr, nullptr, nullptr, nullptr);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &site.pos), S_OK);
        HWND surface = nullptr;
        ASSERT_EQ(inplace->GetWindow(&surface), S_OK) << round;
        EXPECT_EQ(::GetParent(surface), site.window) << round;
        EXPECT_EQ(get_string(dispatch.get(), L"ToolTipText"), L"tip");
        ASSERT_EQ(inplace->InPlaceDeactivate(), S_OK);
    }
    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(site.refs, 1);
}

}  // namespace
}  // namespace korvix::object_test
