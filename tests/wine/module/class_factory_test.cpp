// DllGetClassObject and the class factory of Twain, as COM and hosts use them.
#include <gtest/gtest.h>
#include <ocidl.h>

#include "control/korvix_ids.h"
#include "tests/wine/module/module_under_test.h"

namespace korvix::test {
namespace {

// A stand-in for anything a caller might leave in an out-parameter.
void* const kSentinel = reinterpret_cast<void*>(0x0BADF00D);

class ClassFactory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module_.loaded());
        ASSERT_EQ(S_OK, module_.get_class_object(CLSID_Twain, IID_IClassFactory, factory_.put_void()));
        ASSERT_TRUE(factory_);
    }

    com_apartment apartment_;
    module_under_test module_;
    com_ptr<IClassFactory> factory_;
};

TEST_F(ClassFactory, HandsOutOnlyTheTwainClass) {
    void* out = kSentinel;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module_.get_class_object(IID_IDispatch, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    out = kSentinel;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module_.get_class_object(LIBID_Korvix, IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(ClassFactory, RefusesInterfacesAClassObjectDoesNotHave) {
    for (const IID& iid : {IID_IClassFactory2, IID_IDispatch, IID__Twain}) {
        void* out = kSentinel;
        EXPECT_EQ(E_NOINTERFACE, module_.get_class_object(CLSID_Twain, iid, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(E_POINTER, module_.get_class_object(CLSID_Twain, IID_IClassFactory, nullptr));
}

TEST_F(ClassFactory, QueryInterfaceIsStrictAndKeepsOneIdentity) {
    com_ptr<IUnknown> unknown;
    ASSERT_EQ(S_OK, factory_->QueryInterface(IID_IUnknown, unknown.put_void()));
    com_ptr<IClassFactory> again;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IClassFactory, again.put_void()));
    EXPECT_EQ(static_cast<IUnknown*>(factory_.get()), unknown.get());
    EXPECT_EQ(factory_.get(), again.get());

    void* out = kSentinel;
    EXPECT_EQ(E_NOINTERFACE, factory_->QueryInterface(IID_IClassFactory2, &out));
    EXPECT_EQ(nullptr, out);
    out = kSentinel;
    EXPECT_EQ(E_NOINTERFACE, factory_->QueryInterface(IID_IPersist, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, factory_->QueryInterface(IID_IUnknown, nullptr));
}

TEST_F(ClassFactory, EachCallGivesAFactoryThatCountsItsOwnReferences) {
    com_ptr<IClassFactory> second;
    ASSERT_EQ(S_OK, module_.get_class_object(CLSID_Twain, IID_IUnknown, second.put_void()));
    EXPECT_EQ(2u, second->AddRef());
    EXPECT_EQ(1u, second->Release());
}

// An outer object that must never be called: aggregation is refused first.
class untouchable_outer final : public IUnknown {
public:
    int calls = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        ++calls;
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++calls, 2; }
    ULONG STDMETHODCALLTYPE Release() override { return ++calls, 1; }
};

TEST_F(ClassFactory, RefusesAggregation) {
    untouchable_outer outer;
    void* out = kSentinel;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory_->CreateInstance(&outer, IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, outer.calls);
}

TEST_F(ClassFactory, CreateInstanceNeedsAnOutPointer) {
    EXPECT_EQ(E_POINTER, factory_->CreateInstance(nullptr, IID_IUnknown, nullptr));
}

TEST_F(ClassFactory, CreatesControlsThatKeepTheModuleLoaded) {
    EXPECT_EQ(S_FALSE, module_.can_unload_now()) << "the factory holds the module";
    com_ptr<IUnknown> control;
    ASSERT_EQ(S_OK, factory_->CreateInstance(nullptr, IID_IUnknown, control.put_void()));
    ASSERT_TRUE(control);
    com_ptr<IDispatch> dispatch = control.query<IDispatch>(IID_IDispatch);
    EXPECT_TRUE(dispatch);
    factory_.reset();
    EXPECT_EQ(S_FALSE, module_.can_unload_now()) << "a live control holds the module";
    dispatch.reset();
    control.reset();
    EXPECT_EQ(S_OK, module_.can_unload_now());

    void* out = kSentinel;
    ASSERT_EQ(S_OK, module_.get_class_object(CLSID_Twain, IID_IClassFactory, factory_.put_void()));
    EXPECT_EQ(E_NOINTERFACE, factory_->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
}

}  // namespace
}  // namespace korvix::test
