// Registers the freshly built module, as regsvr32 would, and runs the
// suites in one single-threaded apartment.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include "common/win/unique_resource.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/viewport/viewport_env.h"

namespace {

class ole_environment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        ASSERT_EQ(korvix::hostkit::register_server(korvix::hostkit::module_under_test()), S_OK);
        // Kept loaded so the suites can ask it whether objects are still alive.
        module_.reset(::LoadLibraryW(korvix::hostkit::module_under_test().c_str()));
    }
    void TearDown() override {
        ::OleUninitialize();
        module_.reset();
    }

private:
    korvix::unique_hmodule module_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ole_environment);
    return RUN_ALL_TESTS();
}
