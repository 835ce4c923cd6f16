// The control in a container's window: activation, placement, events
// from the real windows, and what is left after Close or a bare Release.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "object_test_support.h"

namespace korvix::object_test {
namespace {

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

}  // namespace
}  // namespace korvix::object_test
