// Runs the scanning suites in one single-threaded apartment with the freshly
// built module registered. The TWAIN sources are installed in the prefix by
// the test's command line (see CMakeLists.txt), before this process first
// asks the DSM for them: the DSM keeps a source it loaded until the end.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include "common/win/unique_resource.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/twain/scan_test_support.h"

namespace {

class ole_environment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        initialised_ = true;
        ASSERT_EQ(korvix::hostkit::register_server(korvix::hostkit::module_under_test()), S_OK);
    }
    void TearDown() override {
        if (initialised_) ::OleUninitialize();
    }

private:
    bool initialised_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ole_environment);
    return RUN_ALL_TESTS();
}
