// The 64-bit control, copied into a folder of its own beside a helper that
// misbehaves as each case asks (fake_helper.cpp, as korvix_twain32.exe),
// with no 64-bit source: whatever the helper does (dies, hangs, sends
// garbage, lies about its page, speaks another version), Scan returns with
// the picture as it was, the host's window enabled and no helper left.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/wine/helper/helper_test_support.h"
#include "tests/wine/twain/scan_test_support.h"

namespace korvix::twain::test {
namespace {

TEST(FakeHelper, MisbehavingHelpersLeaveThePictureAndTheHost) {
    forget_source_choice();
    struct misbehaviour {
        const char* way;
        bool replaced;
    };
    const misbehaviour cases[] = {
        {"page", true},  // the fake, behaving: its 3 x 2 page arrives
        {"crash", false},     {"crash_in_page", false}, {"dialog_hang", false}, {"hang", false},
        {"garbage", false},   {"version", false},       {"lying_page", false},  {"unwritten", false},
        {"huge_page", false},
    };
    scan_host host;
    host.settings(75, 2, true, true);
    for (const misbehaviour& c : cases) {
        SCOPED_TRACE(c.way);
        ::SetEnvironmentVariableA("KORVIX_FAKE_HELPER", c.way);
        const com_ptr<IPictureDisp> before = host.picture();
        const DWORD start = ::GetTickCount();
        ASSERT_TRUE(host.scan().ok());
        EXPECT_LT(::GetTickCount() - start, 20000u) << "the host waited too long";
        EXPECT_EQ(host.picture().get() != before.get(), c.replaced);
        if (c.replaced) EXPECT_EQ(read_picture(host.picture().get()).width, 3);
        EXPECT_TRUE(::IsWindowEnabled(host.frame()));
        EXPECT_EQ(running(L"korvix_twain32.exe"), 0) << "a helper was left behind";
    }
    ::SetEnvironmentVariableA("KORVIX_FAKE_HELPER", nullptr);
}

}  // namespace
}  // namespace korvix::twain::test
