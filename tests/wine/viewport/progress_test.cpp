// PIC24's Progress reaches the host as the control's Progress event: one per
// row of a picture operation, its Integer by value. No public member of the
// control runs a reporting operation, so this program links the control
// object itself and drives its picture.
#include <gtest/gtest.h>

#include "control/object/twain_control.h"
#include "control/twain_factory.h"
#include "tests/wine/hostkit/event_sink.h"
#include "tests/wine/hostkit/property_notify_recorder.h"

namespace korvix {

// The module's side of the control's life, which this program stands in for.
namespace {
LONG g_objects = 0;
}
void module_add_ref() noexcept { ++g_objects; }
void module_release() noexcept { --g_objects; }
LONG module_ref_count() noexcept { return g_objects; }
HINSTANCE module_instance() noexcept { return ::GetModuleHandleW(nullptr); }

namespace {

TEST(Progress, EachRowOfAPictureOperationIsRaisedByValue) {
    com_ptr<ITwain> twain;
    ASSERT_EQ(create_twain_control(IID__Twain, twain.put_void()), S_OK);
    auto sink = hostkit::event_sink::create();
    {
        hostkit::sink_connection connection(twain.get(), DIID___Twain, sink.get());
        Picture24& pic24 = static_cast<TwainControl*>(twain.get())->picture24();
        ASSERT_TRUE(pic24.create(3, 5));
        pic24.mirror();
        EXPECT_EQ(sink->events(), (std::vector<std::string>{"Progress(0%)", "Progress(25%)", "Progress(50%)",
                                                            "Progress(75%)", "Progress(100%)"}));
    }
    twain.reset();
    EXPECT_EQ(g_objects, 0);
    EXPECT_EQ(sink->ref_count(), 1);
}

}  // namespace
}  // namespace korvix

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::OleInitialize(nullptr);
    const int result = RUN_ALL_TESTS();
    ::OleUninitialize();
    return result;
}
