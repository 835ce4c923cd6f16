// Reading the settings: every key in its fixed order, defaults for absent
// keys, and the stop-at-first-failure rule.
#include <gtest/gtest.h>

#include "fake_settings.h"

namespace korvix::persist::testing {
namespace {

const std::vector<std::u16string> kExpectedOrder = {
    u"BackColor",   u"Enabled",      u"MouseIcon",     u"MousePointer", u"ToolTipText", u"ColorType",
    u"Resolution",  u"Filename",     u"ShowProgress",  u"ShowInterface", u"AutoRedraw", u"BorderStyle",
    u"Scrollable",  u"Quality",      u"Compression",   u"FileType"};

TEST(SettingsRead, EmptyBagYieldsEveryDefault) {
    FakeBag bag;
    RecordingControl control;
    Outcome r = read_settings(bag, control);
    ASSERT_TRUE(r.ok) << r.message;

    EXPECT_EQ(bag.reads, kExpectedOrder);
    EXPECT_EQ(control.at(Key::BackColor).number, static_cast<std::int32_t>(0x80000005u));
    EXPECT_EQ(control.at(Key::Enabled).number, -1);
    EXPECT_EQ(control.at(Key::MouseIcon).object, nullptr);
    EXPECT_EQ(control.at(Key::MousePointer).number, 0);
    EXPECT_EQ(control.at(Key::ToolTipText).text, u"");
    EXPECT_EQ(control.at(Key::ColorType).number, 0);
    EXPECT_EQ(control.at(Key::Resolution).number, 75);
    EXPECT_EQ(control.at(Key::Filename).text, u"");
    EXPECT_EQ(control.at(Key::ShowProgress).number, -1);
    EXPECT_EQ(control.at(Key::ShowInterface).number, 0);
    EXPECT_EQ(control.at(Key::AutoRedraw).number, -1);
    EXPECT_EQ(control.at(Key::BorderStyle).number, 1);
    EXPECT_EQ(control.at(Key::Scrollable).number, -1);
    EXPECT_EQ(control.at(Key::Quality).number, 0);
    EXPECT_EQ(control.at(Key::Compression).number, 0);
    EXPECT_EQ(control.at(Key::FileType).number, 0);
    // FileType's default is an Integer but the control receives it as a Long.
    EXPECT_EQ(control.at(Key::FileType).kind, ValueKind::Long);
}

TEST(SettingsRead, AssignsInKeyOrderWithTheWrittenTypes) {
    FakeBag bag;
    bag.stored[u"Resolution"] = Value::long_value(300);        // Long into Integer
    bag.stored[u"ShowInterface"] = Value::integer(5);          // number into Boolean
    bag.stored[u"FileType"] = Value::integer(3);               // Integer into Long
    bag.stored[u"Quality"] = Value::string(u"90");             // digits into Integer
    bag.stored[u"Compression"] = Value::integer(4);
    bag.stored[u"Filename"] = Value::string(u"c:\\scan.bmp");
    RecordingControl control;
    ASSERT_TRUE(read_settings(bag, control).ok);

    ASSERT_EQ(control.assigned.size(), kKeyCount);
    for (std::size_t i = 0; i < kKeyCount; ++i) EXPECT_EQ(control.assigned[i], static_cast<Key>(i));
    EXPECT_EQ(control.at(Key::Resolution).kind, ValueKind::Integer);
    EXPECT_EQ(control.at(Key::Resolution).number, 300);
    EXPECT_EQ(control.at(Key::ShowInterface).kind, ValueKind::Boolean);
    EXPECT_EQ(control.at(Key::ShowInterface).number, -1);
    EXPECT_EQ(control.at(Key::FileType).kind, ValueKind::Long);
    EXPECT_EQ(control.at(Key::FileType).number, 3);
    EXPECT_EQ(control.at(Key::Quality).number, 90);
    EXPECT_EQ(control.at(Key::Compression).number, 4);
    EXPECT_EQ(control.at(Key::Filename).text, u"c:\\scan.bmp");
}

TEST(SettingsRead, FailedConversionKeepsEarlierKeysAndLeavesLaterOnesAlone) {
    FakeBag bag;
    bag.stored[u"ColorType"] = Value::long_value(2);
    bag.stored[u"Resolution"] = Value::string(u"high");  // does not convert to Integer
    bag.stored[u"Filename"] = Value::string(u"never.bmp");
    RecordingControl control;
    Outcome r = read_settings(bag, control);

    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.key, Key::Resolution);
    EXPECT_EQ(r.code, kTypeMismatch);
    EXPECT_FALSE(r.message.empty());
    // Reading stopped at the failing key: nothing after it was even read.
    EXPECT_EQ(bag.reads.back(), u"Resolution");
    EXPECT_EQ(control.at(Key::ColorType).number, 2);
    EXPECT_EQ(control.at(Key::BackColor).number, static_cast<std::int32_t>(0x80000005u));
    for (Key k : {Key::Resolution, Key::Filename, Key::ShowProgress, Key::ShowInterface, Key::AutoRedraw,
                  Key::BorderStyle, Key::Scrollable, Key::Quality, Key::Compression, Key::FileType})
        EXPECT_TRUE(control.untouched(k)) << static_cast<int>(k);
}

TEST(SettingsRead, OverflowingIntegerIsAConversionFailure) {
    FakeBag bag;
    bag.stored[u"MousePointer"] = Value::long_value(70000);
    RecordingControl control;
    Outcome r = read_settings(bag, control);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.key, Key::MousePointer);
    EXPECT_FALSE(control.untouched(Key::MouseIcon));
    EXPECT_TRUE(control.untouched(Key::MousePointer));
    EXPECT_TRUE(control.untouched(Key::ToolTipText));
}

TEST(SettingsRead, ValueRefusedByTheControlStopsReadingLikeAConversionFailure) {
    FakeBag bag;
    bag.stored[u"MousePointer"] = Value::integer(42);
    RecordingControl control;
    control.refuse = Key::MousePointer;
    Outcome r = read_settings(bag, control);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.key, Key::MousePointer);
    EXPECT_EQ(r.code, kRefused);
    EXPECT_EQ(control.assigned, (std::vector<Key>{Key::BackColor, Key::Enabled, Key::MouseIcon}));
    EXPECT_TRUE(control.untouched(Key::MousePointer));
    EXPECT_TRUE(control.untouched(Key::FileType));
}

TEST(SettingsRead, ObjectKeyRejectsANonObjectValue) {
    FakeBag bag;
    bag.stored[u"MouseIcon"] = Value::string(u"icon.ico");
    RecordingControl control;
    Outcome r = read_settings(bag, control);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.key, Key::MouseIcon);
    EXPECT_EQ(control.assigned, (std::vector<Key>{Key::BackColor, Key::Enabled}));
}

TEST(SettingsRead, RecordIsCheckedWholeBeforeAnyValueIsAssigned) {
    Snapshot snap = defaults_snapshot();
    snap[static_cast<std::size_t>(Key::ToolTipText)] = Value::string(u"tip");
    snap[static_cast<std::size_t>(Key::Resolution)] = Value::integer(600);
    for (Key refused : {Key::BackColor, Key::MousePointer, Key::BorderStyle, Key::FileType}) {
        RecordingControl control;
        control.refuse = refused;
        Outcome r = apply_snapshot(snap, control);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.key, refused);
        EXPECT_TRUE(control.assigned.empty()) << static_cast<int>(refused);
    }
    RecordingControl control;
    ASSERT_TRUE(apply_snapshot(snap, control).ok);
    EXPECT_EQ(control.assigned.size(), kKeyCount);
    EXPECT_EQ(control.at(Key::ToolTipText).text, u"tip");
    EXPECT_EQ(control.at(Key::Resolution).number, 600);
    EXPECT_EQ(control.at(Key::BorderStyle).number, 1);
}

}  // namespace
}  // namespace korvix::persist::testing
