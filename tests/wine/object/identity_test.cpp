// What a container learns from the object itself: its interfaces, class
// information and connection points.
#include <gtest/gtest.h>

#include "object_test_support.h"

namespace korvix::object_test {
namespace {

TEST(ControlIdentity, AnswersEveryInterfaceWithOneIdentity) {
    com_ptr<IUnknown> control = create_control();
    ASSERT_TRUE(control);
    const IID* expected[] = {&IID_IDispatch,          &IID__Twain,           &IID_IOleObject,
                             &IID_IOleWindow,         &IID_IOleInPlaceObject, &IID_IOleInPlaceActiveObject,
                             &IID_IOleControl,        &IID_IViewObject,      &IID_IViewObject2,
                             &IID_IPersist,           &IID_IPersistStreamInit, &IID_IPersistPropertyBag,
                             &IID_IPersistStorage,    &IID_IProvideClassInfo, &IID_IProvideClassInfo2,
                             &IID_IConnectionPointContainer, &IID_ISupportErrorInfo};
    for (const IID* iid : expected) {
        void* p = reinterpret_cast<void*>(0xdeadbeef);
        ASSERT_EQ(control->QueryInterface(*iid, &p), S_OK);
        ASSERT_NE(p, nullptr);
        com_ptr<IUnknown> held = com_ptr<IUnknown>::attach(static_cast<IUnknown*>(p));
        com_ptr<IUnknown> identity = held.query<IUnknown>(IID_IUnknown);
        EXPECT_EQ(identity.get(), control.get());
    }
}

TEST(ControlIdentity, RefusesOtherInterfacesAndClearsTheOutPointer) {
    com_ptr<IUnknown> control = create_control();
    ASSERT_TRUE(control);
    for (const IID* iid : {&IID_IOleCache, &IID_IDataObject, &IID_IPersistFile, &IID_IClassFactory,
                           &IID_IConnectionPoint}) {
        void* p = reinterpret_cast<void*>(0xdeadbeef);
        EXPECT_EQ(control->QueryInterface(*iid, &p), E_NOINTERFACE);
        EXPECT_EQ(p, nullptr);
    }
    EXPECT_EQ(control->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(ControlIdentity, ClassInformationNamesTheClassAndItsEvents) {
    com_ptr<IUnknown> control = create_control();
    com_ptr<IProvideClassInfo2> info = control.query<IProvideClassInfo2>(IID_IProvideClassInfo2);
    ASSERT_TRUE(info);
    GUID guid{};
    ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
    EXPECT_TRUE(IsEqualGUID(guid, DIID___Twain));
    EXPECT_EQ(info->GetGUID(12345, &guid), E_INVALIDARG);

    com_ptr<ITypeInfo> cls;
    ASSERT_EQ(info->GetClassInfo(cls.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(cls->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_Twain));
    cls->ReleaseTypeAttr(attr);

    com_ptr<IDispatch> dispatch = control.query<IDispatch>(IID_IDispatch);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    com_ptr<ITypeInfo> ti;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, ti.put()), S_OK);
    ASSERT_EQ(ti->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID__Twain));
    ti->ReleaseTypeAttr(attr);
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, ti.put()), DISP_E_BADINDEX);
}

TEST(ControlIdentity, MiscStatusAndErrorInfoSupport) {
    com_ptr<IUnknown> control = create_control();
    com_ptr<IOleObject> ole = control.query<IOleObject>(IID_IOleObject);
    DWORD status = 0;
    ASSERT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(status, 0x20191u);
    CLSID clsid{};
    EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_Twain));

    com_ptr<ISupportErrorInfo> sei = control.query<ISupportErrorInfo>(IID_ISupportErrorInfo);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID__Twain), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IPersistPropertyBag), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IOleCache), S_FALSE);
}

TEST(ConnectionPoints, TwoPointsFoundAndEnumerated) {
    com_ptr<IUnknown> control = create_control();
    com_ptr<IConnectionPointContainer> cpc = control.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(cpc);

    com_ptr<IEnumConnectionPoints> points;
    ASSERT_EQ(cpc->EnumConnectionPoints(points.put()), S_OK);
    IConnectionPoint* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    IID iids[2];
    for (int i = 0; i < 2; ++i) {
        got[i]->GetConnectionInterface(&iids[i]);
        com_ptr<IConnectionPointContainer> back;
        EXPECT_EQ(got[i]->GetConnectionPointContainer(back.put()), S_OK);
        EXPECT_EQ(back.get(), cpc.get());
        got[i]->Release();
    }
    EXPECT_TRUE(IsEqualIID(iids[0], DIID___Twain));
    EXPECT_TRUE(IsEqualIID(iids[1], IID_IPropertyNotifySink));

    com_ptr<IConnectionPoint> cp;
    EXPECT_EQ(cpc->FindConnectionPoint(IID_IDispatch, cp.put()), CONNECT_E_NOCONNECTION);
    EXPECT_FALSE(cp);
    EXPECT_EQ(cpc->FindConnectionPoint(DIID___Twain, cp.put()), S_OK);
    EXPECT_TRUE(cp);
}

TEST(ConnectionPoints, AdviseHoldsTheSinkUntilUnadviseOrTheEnd) {
    EventRecorder sink;
    NotifyRecorder notify;
    DWORD event_cookie = 0, notify_cookie = 0;
    {
        com_ptr<IUnknown> control = create_control();
        com_ptr<IConnectionPointContainer> cpc =
            control.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
        com_ptr<IConnectionPoint> events, changes;
        cpc->FindConnectionPoint(DIID___Twain, events.put());
        cpc->FindConnectionPoint(IID_IPropertyNotifySink, changes.put());

        // An IDispatch-only sink is accepted for events, not for change notification.
        ASSERT_EQ(events->Advise(&sink, &event_cookie), S_OK);
        EXPECT_NE(event_cookie, 0u);
        EXPECT_GT(sink.refs, 1);
        DWORD refused = 77;
        EXPECT_EQ(changes->Advise(&sink, &refused), CONNECT_E_CANNOTCONNECT);
        EXPECT_EQ(refused, 0u);
        ASSERT_EQ(changes->Advise(&notify, &notify_cookie), S_OK);

        com_ptr<IEnumConnections> list;
        ASSERT_EQ(events->EnumConnections(list.put()), S_OK);
        CONNECTDATA cd{};
        ASSERT_EQ(list->Next(1, &cd, nullptr), S_OK);
        EXPECT_EQ(cd.dwCookie, event_cookie);
        cd.pUnk->Release();
        EXPECT_EQ(list->Next(1, &cd, nullptr), S_FALSE);
        list = nullptr;

        EXPECT_EQ(events->Unadvise(event_cookie + 100), CONNECT_E_NOCONNECTION);
        ASSERT_EQ(events->Unadvise(event_cookie), S_OK);
        EXPECT_EQ(sink.refs, 1);
        EXPECT_EQ(events->Unadvise(event_cookie), CONNECT_E_NOCONNECTION);
        EXPECT_GT(notify.refs, 1);
    }
    // The control went away still holding the notify sink: released.
    EXPECT_EQ(notify.refs, 1);
}

}  // namespace
}  // namespace korvix::object_test
