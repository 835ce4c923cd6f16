// DllCanUnloadNow: the module stays while a class object, a server lock or a
// control is alive, and only then.
#include <gtest/gtest.h>

#include "control/korvix_ids.h"
#include "tests/wine/module/module_under_test.h"

namespace korvix::test {
namespace {

class Unloading : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module_.loaded());
        ASSERT_EQ(S_OK, module_.can_unload_now()) << "nothing of the module is alive yet";
    }

    com_ptr<IClassFactory> factory() {
        com_ptr<IClassFactory> f;
        EXPECT_EQ(S_OK, module_.get_class_object(CLSID_Twain, IID_IClassFactory, f.put_void()));
        return f;
    }

    com_apartment apartment_;
    module_under_test module_;
};

TEST_F(Unloading, ALiveClassObjectHoldsTheModule) {
    auto f = factory();
    EXPECT_EQ(S_FALSE, module_.can_unload_now());
    auto g = factory();
    f.reset();
    EXPECT_EQ(S_FALSE, module_.can_unload_now());
    g.reset();
    EXPECT_EQ(S_OK, module_.can_unload_now());
}

TEST_F(Unloading, AFailedRequestLeavesNothingBehind) {
    void* out = nullptr;
    EXPECT_EQ(E_NOINTERFACE, module_.get_class_object(CLSID_Twain, IID_IDispatch, &out));
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module_.get_class_object(IID_IUnknown, IID_IUnknown, &out));
    EXPECT_EQ(S_OK, module_.can_unload_now());
}

TEST_F(Unloading, ServerLocksHoldTheModuleAcrossFactories) {
    auto f = factory();
    ASSERT_EQ(S_OK, f->LockServer(TRUE));
    ASSERT_EQ(S_OK, f->LockServer(TRUE));
    f.reset();
    EXPECT_EQ(S_FALSE, module_.can_unload_now()) << "two locks remain";
    // A lock taken through one factory may be released through another.
    auto g = factory();
    EXPECT_EQ(S_OK, g->LockServer(FALSE));
    EXPECT_EQ(S_OK, g->LockServer(FALSE));
    g.reset();
    EXPECT_EQ(S_OK, module_.can_unload_now());
}

TEST_F(Unloading, AnUnbalancedUnlockIsRefusedAndReleasesNothing) {
    auto f = factory();
    EXPECT_EQ(E_UNEXPECTED, f->LockServer(FALSE));
    // Had the unlock been counted, the factory's own hold would now be cancelled.
    EXPECT_EQ(S_FALSE, module_.can_unload_now());
    f.reset();
    EXPECT_EQ(S_OK, module_.can_unload_now());
}

}  // namespace
}  // namespace korvix::test
