// Shared fixture and helpers of the suites that drive the registered
// control: a frame window, hosting, and typed property access through
// IDispatch (the way script and form hosts reach the control).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/recording_property_bag.h"
#include "tests/wine/hostkit/unique_variant.h"

namespace korvix::test {

using hostkit::unique_variant;

// The control's rectangle in the frame used by most cases: 320 x 240 pixels,
// which is 4800 x 3600 twips at 96 dpi.
constexpr RECT kControlRect{0, 0, 320, 240};

// One persisted key: name, the type it is written with, its default, and a
// value that differs from the default (used to prove it is really read).
struct persisted_key {
    const wchar_t* key;
    VARTYPE written_vt;
    DISPID property;  // 0 where no property shows the value
};
// The sixteen keys in their stored order.
const std::vector<persisted_key>& persisted_keys();
unique_variant default_value(const std::wstring& key);
unique_variant changed_value(const std::wstring& key);
// A bag holding every key at its changed value.
com_ptr<hostkit::recording_property_bag> changed_bag();
// A new bag holding everything the control saves when asked for all values.
com_ptr<hostkit::recording_property_bag> save_all_to_new_bag(hostkit::hosted_control& control);
// Narrows ASCII text for assertion messages.
std::string narrow(const std::wstring& s);

// Same value as a host compares them: numbers by value (colours by their
// 32 bits), Booleans by truth, strings exactly, pictures by handle.
::testing::AssertionResult same_value(const VARIANT& expected, const VARIANT& actual);

class ControlTest : public ::testing::Test {
public:
    // Property access that fails the test on error.
    static unique_variant get(IDispatch* d, DISPID id);
    static void put(IDispatch* d, DISPID id, const unique_variant& value);
    static void putref(IDispatch* d, DISPID id, IDispatch* object);

protected:
    void SetUp() override;
    void TearDown() override;

    // A new instance (InitNew), in-place active in the frame.
    std::unique_ptr<hostkit::hosted_control> host_new(const RECT& pos = kControlRect);
    // A stored instance loaded from bag, in-place active. Load must succeed.
    std::unique_ptr<hostkit::hosted_control> host_loaded(IPropertyBag* bag, const RECT& pos = kControlRect);

    std::unique_ptr<hostkit::frame_window> frame_;
};

}  // namespace korvix::test
