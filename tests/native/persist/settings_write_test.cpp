// Writing the settings: order, the default flag that lets a bag omit
// values, failure part-way, and bag round trips.
#include <gtest/gtest.h>

#include "fake_settings.h"

namespace korvix::persist::testing {
namespace {

// A control holding exactly the new-instance state.
class DefaultControl final : public SettingsTarget {
public:
    Snapshot values = defaults_snapshot();
    Value current(const KeyInfo& info) const override { return values[static_cast<std::size_t>(info.key)]; }
    Outcome check(const KeyInfo&, const Value&) const override { return Outcome::success(); }
    Outcome assign(const KeyInfo& info, const Value& value) override {
        values[static_cast<std::size_t>(info.key)] = value;
        return Outcome::success();
    }
};

class FlagRecorder final : public ValueSink {
public:
    std::vector<std::pair<std::u16string, bool>> calls;
    Outcome store(const KeyInfo& info, const Value&, bool is_default) override {
        calls.emplace_back(info.name, is_default);
        return Outcome::success();
    }
};

TEST(SettingsWrite, UntouchedControlOffersEveryKeyInOrderAsDefault) {
    DefaultControl control;
    FlagRecorder sink;
    ASSERT_TRUE(write_settings(control, sink).ok);
    ASSERT_EQ(sink.calls.size(), kKeyCount);
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        EXPECT_EQ(sink.calls[i].first, std::u16string(kKeys[i].name));
        EXPECT_TRUE(sink.calls[i].second) << i;
    }
    // So a bag that omits defaults stores nothing at all.
    FakeBag bag;
    ASSERT_TRUE(write_settings(control, bag).ok);
    EXPECT_TRUE(bag.stored.empty());
}

TEST(SettingsWrite, ChangedValuesAreNotFlaggedDefault) {
    DefaultControl control;
    control.values[static_cast<std::size_t>(Key::FileType)] = Value::long_value(3);
    control.values[static_cast<std::size_t>(Key::Enabled)] = Value::boolean(false);
    control.values[static_cast<std::size_t>(Key::ToolTipText)] = Value::string(u"x");
    control.values[static_cast<std::size_t>(Key::MouseIcon)] = Value::object_value(std::make_shared<int>(1));
    FakeBag bag;
    ASSERT_TRUE(write_settings(control, bag).ok);
    EXPECT_EQ(bag.stored.size(), 4u);
    EXPECT_EQ(bag.stored.at(u"FileType").number, 3);
    EXPECT_EQ(bag.stored.at(u"FileType").kind, ValueKind::Long);
    EXPECT_EQ(bag.stored.at(u"Enabled").number, 0);
    EXPECT_EQ(bag.stored.at(u"ToolTipText").text, u"x");
    EXPECT_TRUE(bag.stored.at(u"MouseIcon").object);
}

TEST(SettingsWrite, FailureStopsWritingAndKeepsWhatWasWritten) {
    DefaultControl control;
    control.values[static_cast<std::size_t>(Key::ColorType)] = Value::long_value(2);
    control.values[static_cast<std::size_t>(Key::Quality)] = Value::integer(90);
    FakeBag bag;
    bag.fail_write_at = Key::Resolution;
    Outcome r = write_settings(control, bag);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.key, Key::Resolution);
    EXPECT_EQ(bag.writes.back(), u"Resolution");
    EXPECT_EQ(bag.stored.count(u"ColorType"), 1u);
    EXPECT_EQ(bag.stored.count(u"Quality"), 0u);
}

TEST(SettingsWrite, BagRoundTripRestoresEveryValue) {
    DefaultControl original;
    auto set = [&](Key k, Value v) { original.values[static_cast<std::size_t>(k)] = std::move(v); };
    auto icon = std::make_shared<int>(7);
    set(Key::BackColor, Value::long_value(0x00FF00));
    set(Key::Enabled, Value::boolean(false));
    set(Key::MouseIcon, Value::object_value(icon));
    set(Key::MousePointer, Value::integer(99));
    set(Key::ToolTipText, Value::string(u"Scan here"));
    set(Key::ColorType, Value::long_value(2));
    set(Key::Resolution, Value::integer(300));
    set(Key::Filename, Value::string(u"out.png"));
    set(Key::ShowProgress, Value::boolean(false));
    set(Key::ShowInterface, Value::boolean(true));
    set(Key::AutoRedraw, Value::boolean(false));
    set(Key::BorderStyle, Value::integer(0));
    set(Key::Scrollable, Value::boolean(false));
    set(Key::Quality, Value::integer(90));
    set(Key::Compression, Value::integer(4));
    set(Key::FileType, Value::long_value(3));

    for (bool omit : {true, false}) {
        FakeBag bag;
        bag.omit_defaults = omit;
        ASSERT_TRUE(write_settings(original, bag).ok);
        EXPECT_EQ(bag.stored.size(), kKeyCount);  // nothing equals its default here
        RecordingControl restored;
        ASSERT_TRUE(read_settings(bag, restored).ok);
        for (const KeyInfo& info : kKeys)
            EXPECT_TRUE(same_value(restored.at(info.key), original.current(info))) << static_cast<int>(info.key);
        EXPECT_EQ(restored.at(Key::MouseIcon).object, icon);
    }
}

TEST(SettingsWrite, OmittedDefaultsReadBackAsTheSameState) {
    DefaultControl original;
    original.values[static_cast<std::size_t>(Key::Resolution)] = Value::integer(150);
    FakeBag bag;
    ASSERT_TRUE(write_settings(original, bag).ok);
    ASSERT_EQ(bag.stored.size(), 1u);
    RecordingControl restored;
    ASSERT_TRUE(read_settings(bag, restored).ok);
    for (const KeyInfo& info : kKeys)
        EXPECT_TRUE(same_value(restored.at(info.key), original.current(info))) << static_cast<int>(info.key);
}

TEST(SettingsValue, SameValueComparesNumbersAcrossWidthsOnly) {
    EXPECT_TRUE(same_value(Value::long_value(0), Value::integer(0)));
    EXPECT_FALSE(same_value(Value::long_value(65536), Value::integer(0)));
    EXPECT_FALSE(same_value(Value::string(u"0"), Value::integer(0)));
    EXPECT_TRUE(same_value(Value::object_value(nullptr), Value::object_value(nullptr)));
    EXPECT_FALSE(same_value(Value::object_value(std::make_shared<int>(0)), Value::object_value(nullptr)));
}

}  // namespace
}  // namespace korvix::persist::testing
