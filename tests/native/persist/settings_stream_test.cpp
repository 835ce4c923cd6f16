// The binary settings record: exact layout, round trips, and rejection of
// corrupt, truncated or incompatible data without touching the values.
#include <gtest/gtest.h>

#include "control/persist/settings_stream.h"
#include "fake_settings.h"

namespace korvix::persist::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Objects are byte vectors; one starting with 0xEE cannot be loaded.
class BytesCodec final : public ObjectCodec {
public:
    int saves = 0, loads = 0;
    Outcome save(const std::shared_ptr<void>& object, Bytes& bytes) override {
        ++saves;
        bytes = *static_cast<Bytes*>(object.get());
        return Outcome::success();
    }
    Outcome load(const std::uint8_t* data, std::size_t size, std::shared_ptr<void>& object) override {
        ++loads;
        if (size > 0 && data[0] == 0xEE) return Outcome::failure(Key::MouseIcon, 1, "bad picture");
        object = std::make_shared<Bytes>(data, data + size);
        return Outcome::success();
    }
};

Snapshot sample() {
    Snapshot s = defaults_snapshot();
    auto at = [&](Key k) -> Value& { return s[static_cast<std::size_t>(k)]; };
    at(Key::BackColor) = Value::long_value(static_cast<std::int32_t>(0x80000012u));
    at(Key::Enabled) = Value::boolean(false);
    at(Key::MouseIcon) = Value::object_value(std::make_shared<Bytes>(Bytes{1, 2, 3, 4, 5}));
    at(Key::MousePointer) = Value::integer(-2);
    at(Key::ToolTipText) = Value::string(u"Gr\u00fc\u00dfe \u263a");
    at(Key::ColorType) = Value::long_value(-7);
    at(Key::Resolution) = Value::integer(1200);
    at(Key::Filename) = Value::string(u"C:\\images\\x.tif");
    at(Key::ShowInterface) = Value::boolean(true);
    at(Key::Quality) = Value::integer(90);
    at(Key::Compression) = Value::integer(4);
    at(Key::FileType) = Value::long_value(3);
    return s;
}

Bytes encode(const Snapshot& s) {
    BytesCodec codec;
    Bytes out;
    EXPECT_TRUE(encode_settings(s, codec, out).ok);
    return out;
}

void expect_equal(const Snapshot& a, const Snapshot& b) {
    for (const KeyInfo& info : kKeys) {
        const Value& x = a[static_cast<std::size_t>(info.key)];
        const Value& y = b[static_cast<std::size_t>(info.key)];
        EXPECT_EQ(x.kind, y.kind) << static_cast<int>(info.key);
        if (info.written == ValueKind::Object) {
            ASSERT_EQ(!x.object, !y.object);
            if (x.object) {
                EXPECT_EQ(*static_cast<Bytes*>(x.object.get()), *static_cast<Bytes*>(y.object.get()));
            }
        } else {
            EXPECT_TRUE(same_value(x, y)) << static_cast<int>(info.key);
        }
    }
}

TEST(SettingsStream, DefaultsEncodeToTheDocumentedLayout) {
    const Bytes b = encode(defaults_snapshot());
    const Bytes expected = {
        'K', 'V', 'X', 'S', 1, 0, 0, 0, 44, 0, 0, 0,  // magic, 1.0, payload 44 bytes
        0x05, 0, 0, 0x80,                             // BackColor
        0xFF, 0xFF,                                   // Enabled True
        0, 0, 0, 0,                                   // MouseIcon Nothing
        0, 0,                                         // MousePointer
        0, 0, 0, 0,                                   // ToolTipText ""
        0, 0, 0, 0,                                   // ColorType
        75, 0,                                        // Resolution
        0, 0, 0, 0,                                   // Filename ""
        0xFF, 0xFF, 0, 0, 0xFF, 0xFF,                 // ShowProgress, ShowInterface, AutoRedraw
        1, 0,                                         // BorderStyle
        0xFF, 0xFF,                                   // Scrollable
        0, 0, 0, 0,                                   // Quality, Compression
        0, 0, 0, 0};                                  // FileType
    EXPECT_EQ(b, expected);
}

TEST(SettingsStream, RoundTripKeepsEveryValue) {
    const Snapshot original = sample();
    const Bytes b = encode(original);
    BytesCodec codec;
    Snapshot decoded;
    std::size_t consumed = 0;
    ASSERT_EQ(decode_settings(b.data(), b.size(), codec, decoded, consumed), StreamError::none);
    EXPECT_EQ(consumed, b.size());
    EXPECT_EQ(codec.loads, 1);
    expect_equal(decoded, original);
}

TEST(SettingsStream, RecordFollowedByOtherDataReportsItsOwnSize) {
    Bytes b = encode(sample());
    const std::size_t record = b.size();
    b.insert(b.end(), {9, 9, 9});
    BytesCodec codec;
    Snapshot decoded;
    std::size_t consumed = 0;
    ASSERT_EQ(decode_settings(b.data(), b.size(), codec, decoded, consumed), StreamError::none);
    EXPECT_EQ(consumed, record);
}

TEST(SettingsStream, EveryTruncationIsRejectedAndLeavesValuesUntouched) {
    const Bytes full = encode(sample());
    for (std::size_t len = 0; len < full.size(); ++len) {
        BytesCodec codec;
        Snapshot values = defaults_snapshot();
        std::size_t consumed = 12345;
        EXPECT_EQ(decode_settings(full.data(), len, codec, values, consumed), StreamError::truncated) << len;
        EXPECT_EQ(consumed, 12345u);
        expect_equal(values, defaults_snapshot());
    }
}

TEST(SettingsStream, PayloadSizeTooSmallForTheFieldsIsTruncation) {
    Bytes b = encode(sample());
    b[8] = static_cast<std::uint8_t>(b[8] - 1);  // header claims one byte less
    BytesCodec codec;
    Snapshot values = defaults_snapshot();
    std::size_t consumed = 0;
    EXPECT_EQ(decode_settings(b.data(), b.size(), codec, values, consumed), StreamError::truncated);
    expect_equal(values, defaults_snapshot());
}

TEST(SettingsStream, BadMagicAndOtherMajorVersionsAreRejected) {
    Bytes b = encode(sample());
    BytesCodec codec;
    Snapshot values = defaults_snapshot();
    std::size_t consumed = 0;

    Bytes bad = b;
    bad[0] = 'k';
    EXPECT_EQ(decode_settings(bad.data(), bad.size(), codec, values, consumed), StreamError::bad_magic);

    bad = b;
    bad[4] = 2;  // major 2
    EXPECT_EQ(decode_settings(bad.data(), bad.size(), codec, values, consumed), StreamError::unsupported_version);

    bad = b;
    bad[4] = 0;  // major 0
    EXPECT_EQ(decode_settings(bad.data(), bad.size(), codec, values, consumed), StreamError::unsupported_version);
    expect_equal(values, defaults_snapshot());
    EXPECT_STRNE(describe(StreamError::bad_magic), describe(StreamError::truncated));
}

TEST(SettingsStream, LaterMinorVersionWithExtraFieldsIsRead) {
    Bytes b = encode(sample());
    b[6] = 7;  // minor 7
    const Bytes tail = {0xAB, 0xCD, 0xEF, 0x01, 0x02};
    b.insert(b.end(), tail.begin(), tail.end());
    const std::uint32_t payload = static_cast<std::uint32_t>(b.size() - kStreamHeaderSize);
    for (int i = 0; i < 4; ++i) b[8 + i] = static_cast<std::uint8_t>(payload >> (8 * i));
    b.push_back(0x77);  // the next object's data in a shared stream

    BytesCodec codec;
    Snapshot decoded;
    std::size_t consumed = 0;
    ASSERT_EQ(decode_settings(b.data(), b.size(), codec, decoded, consumed), StreamError::none);
    EXPECT_EQ(consumed, b.size() - 1);
    expect_equal(decoded, sample());
}

TEST(SettingsStream, HugeSizesAreRefusedBeforeAllocating) {
    Bytes b = encode(sample());
    Bytes header(b.begin(), b.begin() + 12);
    header[8] = header[9] = header[10] = header[11] = 0xFF;
    StreamHeader h;
    EXPECT_EQ(parse_header(header.data(), header.size(), h), StreamError::too_large);

    // A string claiming 0x7FFFFFFF units inside a small payload.
    Bytes s = encode(defaults_snapshot());
    const std::size_t tooltip_count = kStreamHeaderSize + 4 + 2 + 4 + 2;
    s[tooltip_count] = s[tooltip_count + 1] = s[tooltip_count + 2] = 0xFF;
    s[tooltip_count + 3] = 0x7F;
    BytesCodec codec;
    Snapshot values = defaults_snapshot();
    std::size_t consumed = 0;
    EXPECT_EQ(decode_settings(s.data(), s.size(), codec, values, consumed), StreamError::truncated);
}

TEST(SettingsStream, UnreadableObjectRejectsTheWholeRecord) {
    Snapshot s = sample();
    s[static_cast<std::size_t>(Key::MouseIcon)] = Value::object_value(std::make_shared<Bytes>(Bytes{0xEE, 1}));
    const Bytes b = encode(s);
    BytesCodec codec;
    Snapshot values = defaults_snapshot();
    std::size_t consumed = 0;
    EXPECT_EQ(decode_settings(b.data(), b.size(), codec, values, consumed), StreamError::bad_object);
    expect_equal(values, defaults_snapshot());
}

TEST(SettingsStream, AnyNonZeroBooleanReadsAsTrue) {
    Bytes b = encode(defaults_snapshot());
    const std::size_t enabled = kStreamHeaderSize + 4;
    b[enabled] = 1;
    b[enabled + 1] = 0;
    BytesCodec codec;
    Snapshot values;
    std::size_t consumed = 0;
    ASSERT_EQ(decode_settings(b.data(), b.size(), codec, values, consumed), StreamError::none);
    EXPECT_EQ(values[static_cast<std::size_t>(Key::Enabled)].number, -1);
}

TEST(SettingsStream, FailingObjectSaveFailsTheEncode) {
    class Refusing final : public ObjectCodec {
    public:
        Outcome save(const std::shared_ptr<void>&, Bytes&) override {
            return Outcome::failure(Key::MouseIcon, 99, "no");
        }
        Outcome load(const std::uint8_t*, std::size_t, std::shared_ptr<void>&) override { return {}; }
    } codec;
    Bytes out = {1, 2, 3};
    Outcome r = encode_settings(sample(), codec, out);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, 99);
    EXPECT_EQ(out, (Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace korvix::persist::testing
