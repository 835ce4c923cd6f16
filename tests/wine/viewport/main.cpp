// Registers the freshly built module, as regsvr32 would, and runs the
// suites in one single-threaded apartment.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/viewport/viewport_env.h"

namespace {

class ole_environment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        ASSERT_EQ(korvix::hostkit::register_server(korvix::viewport_test::module_path()), S_OK);
    }
    void TearDown() override { ::OleUninitialize(); }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ole_environment);
    return RUN_ALL_TESTS();
}
