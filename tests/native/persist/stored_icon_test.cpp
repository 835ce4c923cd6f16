// The stored mouse icon check on synthetic blobs built the way the platform
// writes them: each case changes one field and names the error it must give.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include "control/persist/stored_icon.h"

namespace korvix::persist {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// One bitmap image: header, optional masks or palette, colour rows, mask rows.
Bytes image(int side, int bits) {
    const std::size_t colours = bits <= 8 ? (1u << bits) : 0;
    const std::size_t masks = bits == 32 ? 12 : 0;
    const std::size_t row = ((side * bits + 31) / 32) * 4, mask_row = ((side + 31) / 32) * 4;
    Bytes b(40 + masks + colours * 4 + (row + mask_row) * side, 0);
    put32(b, 0, 40);
    put32(b, 4, side);
    put32(b, 8, 2 * side);
    put16(b, 12, 1);
    put16(b, 14, static_cast<std::uint16_t>(bits));
    put32(b, 16, masks ? 3 : 0);
    return b;
}

// The picture's bytes: class id, "lt" header, then an icon (or cursor) file.
Bytes blob(const std::vector<Bytes>& images, const std::vector<int>& sides, std::uint16_t type = 1) {
    static const std::uint8_t std_picture[16] = {0x04, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,
                                                 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};
    Bytes file(6 + 16 * images.size(), 0);
    put16(file, 2, type);
    put16(file, 4, static_cast<std::uint16_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t entry = 6 + 16 * i;
        file[entry] = file[entry + 1] = static_cast<std::uint8_t>(sides[i]);
        put16(file, entry + 4, type == 2 ? 3 : 1);  // hot spot x, or planes
        put16(file, entry + 6, type == 2 ? 5 : 32);
        put32(file, entry + 8, static_cast<std::uint32_t>(images[i].size()));
        put32(file, entry + 12, static_cast<std::uint32_t>(file.size()));
        file.insert(file.end(), images[i].begin(), images[i].end());
    }
    Bytes out(std_picture, std_picture + 16);
    out.insert(out.end(), {'l', 't', 0, 0, 0, 0, 0, 0});
    put32(out, 20, static_cast<std::uint32_t>(file.size()));
    out.insert(out.end(), file.begin(), file.end());
    return out;
}

IconError check(const Bytes& b, StoredIcon& icon) { return check_stored_icon(b.data(), b.size(), icon); }

TEST(StoredIcon, WhatThePlatformWritesIsAccepted) {
    StoredIcon icon;
    for (int bits : {1, 4, 8, 24, 32}) {
        ASSERT_EQ(check(blob({image(32, bits)}, {32}), icon), IconError::none) << bits;
        EXPECT_EQ(std::tuple(icon.width, icon.height, icon.offset, icon.cursor), std::tuple(32, 32, 24u + 6 + 16, false));
    }
    // Of several images the first 32 pixels wide is the one shown.
    ASSERT_EQ(check(blob({image(16, 8), image(32, 32), image(48, 32)}, {16, 32, 48}), icon), IconError::none);
    EXPECT_EQ(std::tuple(icon.width, icon.offset), std::tuple(32, 24u + 6 + 3 * 16 + image(16, 8).size()));
    // A cursor brings its hot spot; an empty picture has no image.
    ASSERT_EQ(check(blob({image(32, 1)}, {32}, 2), icon), IconError::none);
    EXPECT_EQ(std::tuple(icon.cursor, icon.hotspot_x, icon.hotspot_y), std::tuple(true, 3, 5));
    Bytes none = blob({image(32, 1)}, {32});
    none.resize(24);
    put32(none, 20, 0);
    ASSERT_EQ(check(none, icon), IconError::none);
    EXPECT_TRUE(icon.empty);
}

TEST(StoredIcon, EveryDamagedFieldIsNamedAndNothingIsReturned) {
    const Bytes good = blob({image(32, 32)}, {32});
    constexpr std::size_t file = 24, entry = file + 6, bitmap = entry + 16;
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        IconError expected;
    } cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }, IconError::not_a_picture},
        {"another class", [](Bytes& b) { b[0] = 0x03; }, IconError::not_a_picture},
        {"no lt header", [](Bytes& b) { b[16] = 'x'; }, IconError::bad_header},
        {"trailing byte", [](Bytes& b) { b.push_back(0); }, IconError::bad_header},
        {"reserved word", [](Bytes& b) { b[file] = 1; }, IconError::bad_directory},
        {"type 3", [](Bytes& b) { b[file + 2] = 3; }, IconError::bad_directory},
        {"no entries", [](Bytes& b) { put16(b, file + 4, 0); }, IconError::bad_directory},
        {"50177 entries", [](Bytes& b) { put16(b, file + 4, 50177); }, IconError::bad_directory},
        {"entries past the end", [](Bytes& b) { put16(b, file + 4, 255); b.resize(24 + 6 + 16 * 100); put32(b, 20, 6 + 16 * 100); }, IconError::bad_directory},
        {"size 0", [](Bytes& b) { put32(b, entry + 8, 0); }, IconError::bad_entry},
        {"size past the end", [](Bytes& b) { put32(b, entry + 8, 0xFFFFFFF0u); }, IconError::bad_entry},
        {"offset into the directory", [](Bytes& b) { put32(b, entry + 12, 6); }, IconError::bad_entry},
        {"offset past the end", [](Bytes& b) { put32(b, entry + 12, 0x7FFFFFFF); }, IconError::bad_entry},
        {"PNG image", [](Bytes& b) { std::memcpy(&b[bitmap], "\x89PNG\r\n\x1a\n", 8); }, IconError::unsupported_image},
        {"core header", [](Bytes& b) { put32(b, bitmap, 12); }, IconError::unsupported_image},
        {"huge height", [](Bytes& b) { b[bitmap + 11] = 0x04; }, IconError::bad_image},
        {"odd height", [](Bytes& b) { put32(b, bitmap + 8, 63); }, IconError::bad_image},
        {"zero width", [](Bytes& b) { put32(b, bitmap + 4, 0); }, IconError::bad_image},
        {"width 257", [](Bytes& b) { put32(b, bitmap + 4, 257); }, IconError::bad_image},
        {"two planes", [](Bytes& b) { put16(b, bitmap + 12, 2); }, IconError::bad_image},
        {"bit count 7", [](Bytes& b) { put16(b, bitmap + 14, 7); }, IconError::bad_image},
        {"run-length compressed", [](Bytes& b) { put32(b, bitmap + 16, 1); }, IconError::bad_image},
        {"rows past the image", [](Bytes& b) { put32(b, bitmap + 4, 64); }, IconError::bad_image},
        {"palette past the image", [](Bytes& b) { put32(b, bitmap + 32, 200); }, IconError::bad_image},
        {"hot spot off the cursor", [](Bytes& b) { put16(b, file + 2, 2); put16(b, entry + 4, 32); }, IconError::bad_image},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        c.damage(bad);
        StoredIcon icon;
        icon.width = -7;
        EXPECT_EQ(check_stored_icon(bad.data(), bad.size(), icon), c.expected) << c.what;
        EXPECT_EQ(icon.width, -7) << c.what;
    }
}

}  // namespace
}  // namespace korvix::persist
