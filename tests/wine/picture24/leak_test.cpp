// A thousand conversions and regions leave no GDI object or memory behind.
// GetGuiResources reads 0 under Wine, so leaks are seen through the handles
// themselves (a released bitmap or region no longer exists) and through the
// process's committed private memory, where every DIB section lives.
#include <gtest/gtest.h>

#include <vector>

#include "picture24/win/key_region.h"
#include "picture24/win/picture_conversion.h"
#include "tests/wine/picture24/test_pictures.h"

namespace korvix {
namespace {

size_t committed_private_bytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info{};
    const char* address = nullptr;
    while (::VirtualQuery(address, &info, sizeof(info)) == sizeof(info)) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

constexpr int kRounds = 1000;
// 64 x 64 at 24 bits is 12 KiB per bitmap: a leak of one per round would
// commit about 12 MiB.
constexpr size_t kAllowedGrowth = 3u << 20;

TEST(Leaks, AThousandRoundTripsReleaseEveryBitmap) {
    unique_hbitmap source_bitmap = test::make_pattern_dib(64, 64, 8, false);
    com_ptr<IPictureDisp> source = test::wrap_bitmap(source_bitmap.get(), false);
    Picture24 picture;
    auto round = [&](std::vector<HBITMAP>& made) {
        ASSERT_TRUE(set_picture(picture, source.get()));
        com_ptr<IPictureDisp> out = get_picture(picture);
        ASSERT_TRUE(out);
        made.push_back(test::picture_handle(out.get()));
    };
    std::vector<HBITMAP> made;
    for (int i = 0; i < 20; ++i) round(made);  // warm up allocator and OLE
    made.clear();
    const size_t before = committed_private_bytes();
    for (int i = 0; i < kRounds; ++i) {
        round(made);
        if (HasFatalFailure()) return;
    }
    const size_t after = committed_private_bytes();
    int still_alive = 0;
    for (HBITMAP h : made)
        if (::GetObjectType(h) != 0) ++still_alive;
    EXPECT_EQ(still_alive, 0);
    EXPECT_LT(after, before + kAllowedGrowth) << "grew by " << (after - before) << " bytes";
    EXPECT_EQ(::GetObjectType(source_bitmap.get()), DWORD(OBJ_BITMAP)) << "the caller's bitmap survives";
}

TEST(Leaks, AThousandRegionsAreDeletedWhenReplacedOrApplied) {
    Picture24 picture;
    ASSERT_TRUE(picture.create(64, 64, 0x00102030));
    for (int y = 0; y < 64; y += 2)
        for (int x = y % 4; x < 64; x += 4) picture.set_pixel(x, y, 0x00ff00ff);
    unique_hwnd window(::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    std::vector<HRGN> held;
    const size_t before = committed_private_bytes();
    for (int i = 0; i < kRounds; ++i) {
        create_region(picture, 0x00ff00ff);
        held.push_back(held_region(picture));
        apply_region(picture, window.get());
        if (i % 2) remove_region(window.get());
    }
    picture.delete_region();
    const size_t after = committed_private_bytes();
    int still_alive = 0;
    for (HRGN h : held)
        if (::GetObjectType(h) != 0) ++still_alive;
    EXPECT_EQ(still_alive, 0);
    EXPECT_LT(after, before + kAllowedGrowth) << "grew by " << (after - before) << " bytes";
}

}  // namespace
}  // namespace korvix
