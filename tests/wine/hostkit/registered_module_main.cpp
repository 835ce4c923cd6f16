// The main() of the suites that drive the registered control: one
// single-threaded apartment, the freshly built module registered as regsvr32
// would and kept loaded. Compiled into each suite's program, whose build
// names the module (KORVIX_OCX_PATH).
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include "common/win/unique_resource.h"
#include "tests/wine/hostkit/server_registration.h"

namespace {

class ole_environment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        initialised_ = true;
#ifdef KORVIX_OCX_PATH
        const HRESULT hr = korvix::hostkit::register_server(korvix::hostkit::module_under_test());
        ASSERT_EQ(hr, S_OK) << "DllRegisterServer of the built module failed";
        // Kept loaded so the suites can ask it whether objects are still alive.
        module_.reset(::LoadLibraryW(korvix::hostkit::module_under_test().c_str()));
        ASSERT_TRUE(module_);
#else
        FAIL() << "built without the control module (no korvixlite target)";
#endif
    }
    void TearDown() override {
        if (initialised_) ::OleUninitialize();
        module_.reset();
    }

private:
    korvix::unique_hmodule module_;
    bool initialised_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ole_environment);
    return RUN_ALL_TESTS();
}
