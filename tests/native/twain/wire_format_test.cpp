// The bytes between the control and its helper: every message survives the
// trip in any chunking, one frame's exact bytes, and every frame this
// protocol never sends breaks the stream before a message comes out of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "twain/bridge/wire_format.h"

namespace korvix::twain::bridge {
namespace {

using bytes = std::vector<std::uint8_t>;

// One of each message, every field away from its default.
std::vector<Message> every_message() {
    return {ScanRequest{-300, 0x10002, true, false, 0x80001234u, "Flatbed 9000"},
            ChooseRequest{0xFFFFFFFEu},
            ListRequest{},
            SectionGrant{0x1C4, 0x1234567890ull},
            Cancel{},
            Hello{kProtocolVersion},
            Beat{},
            UiShown{},
            UiHidden{},
            PageReady{2480, -3508, 24, 7, 11811, -1, -75},
            PageWritten{},
            SourceList{{"A", std::string(33, 'x'), ""}},
            Done{CallStatus::no_source_manager, "Camera"}};
}

bytes concat(const std::vector<Message>& messages) {
    bytes all;
    for (const Message& m : messages) {
        const bytes one = encode(m);
        all.insert(all.end(), one.begin(), one.end());
    }
    return all;
}

// Reads everything, feeding chunk bytes at a time and draining in between.
std::vector<Message> read_all(const bytes& stream, std::size_t chunk, WireReader& reader) {
    std::vector<Message> out;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        reader.feed(stream.data() + at, std::min(chunk, stream.size() - at));
        Message m;
        while (reader.next(m) == WireReader::Next::message) out.push_back(m);
    }
    return out;
}

TEST(WireFormat, EveryMessageSurvivesAnyChunking) {
    const std::vector<Message> sent = every_message();
    const bytes stream = concat(sent);
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        SCOPED_TRACE(chunk);
        WireReader reader;
        const std::vector<Message> got = read_all(stream, chunk, reader);
        ASSERT_EQ(got.size(), sent.size());
        for (std::size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(got[i].index(), sent[i].index()) << i;
            EXPECT_EQ(encode(got[i]), encode(sent[i])) << "a field was lost in message " << i;
        }
        EXPECT_EQ(reader.pending(), 0u);
        EXPECT_FALSE(reader.broken());
    }
}

TEST(WireFormat, FramesAreLittleEndianWithTheirLength) {
    const bytes expected = {105, 0, 0, 0, 24, 0, 0, 0,          // page_ready, 24 bytes
                            0xB0, 0x09, 0, 0, 0x4C, 0xF2, 0xFF, 0xFF,  // 2480, -3508
                            24, 0, 7, 0, 0, 0,                 // 24 bits, 7 entries
                            0x23, 0x2E, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,  // 11811, -1
                            0xB5, 0xFF};                       // -75
    EXPECT_EQ(encode(PageReady{2480, -3508, 24, 7, 11811, -1, -75}), expected);
    // Texts longer than a name are cut to 33 bytes and stay terminated;
    // lists longer than the limit are cut to it.
    const bytes done = encode(Done{CallStatus::done, std::string(40, 'n')});
    ASSERT_EQ(done.size(), kFrameHeader + 4 + kNameField);
    EXPECT_EQ(done.back(), 0);
    EXPECT_EQ(done[done.size() - 2], 'n');
    EXPECT_EQ(encode(SourceList{std::vector<std::string>(kMaxSources + 5, "s")}).size(),
              kFrameHeader + 4 + kMaxSources * kNameField);
}

bytes frame(std::uint16_t type, const bytes& payload, std::uint32_t length, std::uint16_t reserved = 0) {
    bytes f = {static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8),
               static_cast<std::uint8_t>(reserved), static_cast<std::uint8_t>(reserved >> 8)};
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}
bytes frame(std::uint16_t type, const bytes& payload) {
    return frame(type, payload, static_cast<std::uint32_t>(payload.size()));
}
// A message's payload with one byte changed.
bytes patched(const Message& m, std::size_t at, std::uint8_t value) {
    bytes b = encode(m);
    b[kFrameHeader + at] = value;
    return b;
}
bytes name_field(char fill) { return bytes(kNameField, static_cast<std::uint8_t>(fill)); }

TEST(WireFormat, FramesThisProtocolNeverSendsBreakTheStream) {
    const ScanRequest scan{300, 2, true, true, 1, std::string(kNameField - 1, 's')};
    struct bad_frame {
        const char* name;
        bytes stream;
    };
    bytes done_unterminated = frame(108, bytes{0, 0, 0, 0});
    const bytes unterminated = name_field('z');
    done_unterminated.insert(done_unterminated.end(), unterminated.begin(), unterminated.end());
    bytes two_names_announced = frame(107, bytes{2, 0, 0, 0}, 4 + kNameField);
    two_names_announced.resize(two_names_announced.size() + kNameField, 0);
    const bad_frame cases[] = {
        {"unknown type 0", frame(0, {})},
        {"unknown type between the ranges", frame(6, {})},
        {"unknown type past the last", frame(109, {})},
        {"reserved field set", frame(102, {}, 0, 1)},
        {"hello one byte short", frame(101, {1, 0, 0})},
        {"hello one byte long", frame(101, {1, 0, 0, 0, 0})},
        {"a beat with a payload", frame(102, {0})},
        {"a list longer than any (refused from its header alone)", frame(107, {}, 0xFFFFFFFFu)},
        {"a list one name past the limit", frame(107, {}, 4 + (kMaxSources + 1) * kNameField)},
        {"more sources counted than allowed", frame(107, {65, 0, 0, 0})},
        {"two sources counted, one sent", two_names_announced},
        {"a boolean of 2", patched(scan, 6, 2)},
        {"a name without its terminator", patched(scan, 12 + kNameField - 1, 'x')},
        {"a done without a terminated name", done_unterminated},
        {"an unknown status", patched(Done{CallStatus::done, ""}, 0, 3)},
    };
    for (const bad_frame& c : cases) {
        SCOPED_TRACE(c.name);
        bytes stream = c.stream;
        const bytes after = encode(Hello{kProtocolVersion});  // a good frame after it is never read
        stream.insert(stream.end(), after.begin(), after.end());
        WireReader reader;
        EXPECT_TRUE(read_all(stream, 3, reader).empty());
        EXPECT_TRUE(reader.broken());
        Message m;
        EXPECT_EQ(reader.next(m), WireReader::Next::broken);
        EXPECT_EQ(reader.pending(), 0u) << "a broken reader holds nothing";
    }
}

TEST(WireFormat, WaitsForTheRestOfAFrame) {
    const bytes hello = encode(Hello{kProtocolVersion});
    WireReader reader;
    Message m;
    for (std::size_t i = 0; i + 1 < hello.size(); ++i) {
        reader.feed(&hello[i], 1);
        ASSERT_EQ(reader.next(m), WireReader::Next::need_more) << i;
    }
    EXPECT_EQ(reader.pending(), hello.size() - 1);
    reader.feed(&hello.back(), 1);
    ASSERT_EQ(reader.next(m), WireReader::Next::message);
    EXPECT_EQ(std::get<Hello>(m).version, kProtocolVersion);
    EXPECT_EQ(reader.next(m), WireReader::Next::need_more);
}

}  // namespace
}  // namespace korvix::twain::bridge
