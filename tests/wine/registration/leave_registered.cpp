// Linked into each registration suite: whatever a suite unregistered, the
// module is registered again at its end, because the suites after it create
// the control through COM.
#include <gtest/gtest.h>

#include "tests/wine/module/module_under_test.h"

namespace korvix::test {
namespace {

class LeaveRegistered : public ::testing::Environment {
public:
    void TearDown() override {
        module_under_test module;
        ASSERT_TRUE(module.loaded());
        EXPECT_EQ(S_OK, module.register_server());
    }
};

const auto* const kLeaveRegistered = ::testing::AddGlobalTestEnvironment(new LeaveRegistered);

}  // namespace
}  // namespace korvix::test
