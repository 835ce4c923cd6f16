// Key-colour regions built from the picture's rectangles and applied to real
// windows, checked against the run-by-run exclusive-or construction.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "picture24/win/key_region.h"
#include "picture24/win/picture_conversion.h"
#include "tests/wine/picture24/test_pictures.h"
#include "tests/wine/picture24/xor_region.h"

namespace korvix {
namespace {

constexpr int32_t kKey = 0x00ff00ff;    // magenta
constexpr int32_t kOther = 0x00102030;

std::vector<RECT> rects_of(HRGN region) {
    const DWORD size = ::GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> data(size);
    if (size == 0 || ::GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())) != size) return {};
    const auto* rgn = reinterpret_cast<const RGNDATA*>(data.data());
    const auto* first = reinterpret_cast<const RECT*>(rgn->Buffer);
    return std::vector<RECT>(first, first + rgn->rdh.nCount);
}

bool same_rects(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!::EqualRect(&a[i], &b[i])) return false;
    return true;
}

std::vector<RECT> held_rects(const Picture24& p) { return rects_of(held_region(p)); }

Picture24 row_of(std::initializer_list<int32_t> colours) {
    Picture24 p;
    p.create(int32_t(colours.size()), 1);
    int x = 0;
    for (int32_t c : colours) p.set_pixel(x++, 0, c);
    return p;
}

// A borderless top-level window whose client area is the picture's area.
class ShapedWindow {
public:
    ShapedWindow(int width, int height)
        : hwnd_(::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                  nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr)) {}
    HWND get() const { return hwnd_.get(); }
    // The window's shape: -1 when it has none (rectangular).
    int shape(std::vector<RECT>* rects) const {
        unique_hrgn region(::CreateRectRgn(0, 0, 0, 0));
        const int kind = ::GetWindowRgn(hwnd_.get(), region.get());
        if (kind == ERROR) return -1;
        if (rects) *rects = rects_of(region.get());
        return kind;
    }

private:
    unique_hwnd hwnd_;
};

TEST(CreateRegion, NoKeyPixelGivesTheFullRectangle) {
    Picture24 p;
    p.create(6, 4, kOther);
    create_region(p, kKey);
    ASSERT_TRUE(p.has_region());
    EXPECT_TRUE(same_rects(held_rects(p), {RECT{0, 0, 6, 4}}));
}

TEST(CreateRegion, AllKeyGivesAnEmptyRegionThatIsStillHeld) {
    Picture24 p;
    p.create(5, 3, kKey);
    create_region(p, kKey);
    ASSERT_TRUE(p.has_region());
    RECT box{1, 1, 1, 1};
    EXPECT_EQ(::GetRgnBox(held_region(p), &box), NULLREGION);
    EXPECT_TRUE(held_rects(p).empty());
}

TEST(CreateRegion, KeyOtherKeyCoversOnlyTheMiddlePixel) {
    Picture24 p = row_of({kKey, kOther, kKey});
    create_region(p, kKey);
    EXPECT_TRUE(same_rects(held_rects(p), {RECT{1, 0, 2, 1}}));
}

TEST(CreateRegion, ARunReachingTheLastColumnIsRemovedWhole) {
    Picture24 p = row_of({kOther, kOther, kKey, kKey});
    create_region(p, kKey);
    EXPECT_TRUE(same_rects(held_rects(p), {RECT{0, 0, 2, 1}}));
    Picture24 q = row_of({kOther, kKey});
    create_region(q, kKey);
    EXPECT_TRUE(same_rects(held_rects(q), {RECT{0, 0, 1, 1}}));
}

TEST(CreateRegion, KeyWithHighBitsMatchesNothing) {
    Picture24 p;
    p.create(3, 2, kKey);
    create_region(p, int32_t(0x01000000u | uint32_t(kKey)));
    EXPECT_TRUE(same_rects(held_rects(p), {RECT{0, 0, 3, 2}}));
    create_region(p, int32_t(0xff000000u | uint32_t(kKey)));
    EXPECT_TRUE(same_rects(held_rects(p), {RECT{0, 0, 3, 2}}));
}

TEST(CreateRegion, OnAnEmptyPictureDeletesTheHeldRegionAndHoldsNone) {
    Picture24 p;
    p.create(2, 2, kOther);
    create_region(p, kKey);
    HRGN old = held_region(p);
    // Empty the buffer without the core knowing about GDI: the region goes.
    p.clear();
    EXPECT_EQ(::GetObjectType(old), 0u);
    create_region(p, kKey);
    EXPECT_FALSE(p.has_region());
    EXPECT_EQ(held_region(p), nullptr);
}

TEST(CreateRegion, RebuildingDeletesThePreviousRegion) {
    Picture24 p;
    p.create(2, 2, kOther);
    create_region(p, kKey);
    HRGN first = held_region(p);
    create_region(p, kOther);
    EXPECT_EQ(::GetObjectType(first), 0u);
    ASSERT_TRUE(p.has_region());
    EXPECT_TRUE(held_rects(p).empty());
}

TEST(CreateRegion, MatchesTheRunByRunExclusiveOrOnRandomPictures) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 40; ++round) {
        const int width = 1 + int(random() % 37);
        const int height = 1 + int(random() % 23);
        Picture24 p;
        p.create(width, height, kOther);
        // Key density varies per round; some rows repeat the previous one so
        // vertical merging is exercised.
        const unsigned density = random() % 100;
        for (int y = 0; y < height; ++y) {
            if (y > 0 && random() % 3 == 0) {
                std::memcpy(p.row(y), p.row(y - 1), p.stride());
                continue;
            }
            for (int x = 0; x < width; ++x)
                if (random() % 100 < density) p.set_pixel(x, y, kKey);
        }
        create_region(p, kKey);
        unique_hrgn expected = test::xor_key_region(p.data(), p.stride(), width, 0, height, kKey);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(::EqualRgn(held_region(p), expected.get()));
        // Same banded form, rectangle for rectangle.
        EXPECT_TRUE(same_rects(held_rects(p), rects_of(expected.get())));
    }
}

TEST(RegionFromRects, SlicesJoinedByUnionsEqualOneCall) {
    // Rows that differ, repeat and leave gaps: bands of every shape.
    Picture24 p;
    p.create(53, 41, kOther);
    std::mt19937 random(7);
    for (int y = 0; y < 41; ++y) {
        if (y % 5 == 4) {
            std::memcpy(p.row(y), p.row(y - 1), p.stride());
            continue;
        }
        for (int x = 0; x < 53; ++x)
            if (random() % 3 == 0) p.set_pixel(x, y, kKey);
    }
    const std::vector<RegionRect> rects = p.key_region_rects(kKey);
    ASSERT_GT(rects.size(), 200u);
    unique_hrgn whole = region_from_rects(rects, rects.size());
    const std::vector<RECT> expected = rects_of(whole.get());
    for (size_t per_call : {size_t(1), size_t(2), size_t(3), size_t(7), kRegionRectsPerCall, rects.size() - 1}) {
        SCOPED_TRACE(per_call);
        unique_hrgn sliced = region_from_rects(rects, per_call);
        EXPECT_TRUE(::EqualRgn(sliced.get(), whole.get()));
        EXPECT_TRUE(same_rects(rects_of(sliced.get()), expected));
    }
    unique_hrgn none = region_from_rects({});
    RECT box{};
    EXPECT_EQ(::GetRgnBox(none.get(), &box), NULLREGION);
}

TEST(RegionLifetime, EveryBufferReplacementDeletesTheRegion) {
    unique_hbitmap bitmap = test::make_pattern_dib(2, 2, 24, false);
    com_ptr<IPictureDisp> source = test::wrap_bitmap(bitmap.get(), false);
    struct Step {
        const char* name;
        void (*run)(std::optional<Picture24>&, IUnknown*);
    };
    const Step steps[] = {
        {"set_picture", [](std::optional<Picture24>& p, IUnknown* s) { set_picture(*p, s); }},
        {"clear", [](std::optional<Picture24>& p, IUnknown*) { p->clear(); }},
        {"create", [](std::optional<Picture24>& p, IUnknown*) { p->create(3, 3); }},
        {"crop", [](std::optional<Picture24>& p, IUnknown*) { p->crop(0, 0, 1, 1); }},
        {"resize", [](std::optional<Picture24>& p, IUnknown*) { p->resize(5, 5); }},
        {"destruction", [](std::optional<Picture24>& p, IUnknown*) { p.reset(); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        std::optional<Picture24> p(std::in_place);
        p->create(4, 4, kOther);
        create_region(*p, kKey);
        HRGN held = held_region(*p);
        ASSERT_EQ(::GetObjectType(held), DWORD(OBJ_REGION));
        step.run(p, source.get());
        if (p) {
            EXPECT_FALSE(p->has_region());
        }
        EXPECT_EQ(::GetObjectType(held), 0u);
    }
    // Filters and transforms keep the region, as it was.
    Picture24 p;
    p.create(4, 2, kOther);
    create_region(p, kKey);
    HRGN held = held_region(p);
    p.rotate90();
    p.invert(true, true, true);
    EXPECT_EQ(held_region(p), held);
    EXPECT_TRUE(same_rects(held_rects(p), {RECT{0, 0, 4, 2}}));
}

TEST(ApplyRegion, GivesTheWindowItsOwnCopy) {
    // 4 x 3 picture: key pixels at (0,0) and the whole bottom row.
    Picture24 p;
    p.create(4, 3, kOther);
    p.set_pixel(0, 0, kKey);
    for (int x = 0; x < 4; ++x) p.set_pixel(x, 2, kKey);
    create_region(p, kKey);
    const std::vector<RECT> expected{{1, 0, 4, 1}, {0, 1, 4, 2}};
    ASSERT_TRUE(same_rects(held_rects(p), expected));

    ShapedWindow first(40, 30), second(40, 30);
    ASSERT_TRUE(first.get());
    ASSERT_TRUE(second.get());
    ASSERT_EQ(first.shape(nullptr), -1);
    apply_region(p, first.get());
    apply_region(p, second.get());
    std::vector<RECT> shape;
    EXPECT_EQ(first.shape(&shape), COMPLEXREGION);
    EXPECT_TRUE(same_rects(shape, expected));

    // The held region can go; the windows keep their copies.
    HRGN held = held_region(p);
    p.delete_region();
    EXPECT_EQ(::GetObjectType(held), 0u);
    EXPECT_EQ(second.shape(&shape), COMPLEXREGION);
    EXPECT_TRUE(same_rects(shape, expected));

    // Removing one window's shape leaves the other and the picture alone.
    create_region(p, kOther);
    remove_region(first.get());
    EXPECT_EQ(first.shape(nullptr), -1);
    EXPECT_EQ(second.shape(&shape), COMPLEXREGION);
    EXPECT_TRUE(p.has_region());
}

TEST(ApplyRegion, WithoutARegionLeavesTheWindowShapeAlone) {
    ShapedWindow window(20, 20);
    ASSERT_TRUE(window.get());
    Picture24 shaped = row_of({kKey, kOther, kKey});
    create_region(shaped, kKey);
    apply_region(shaped, window.get());

    Picture24 plain;
    plain.create(3, 1, kOther);
    ASSERT_FALSE(plain.has_region());
    apply_region(plain, window.get());
    std::vector<RECT> shape;
    EXPECT_EQ(window.shape(&shape), SIMPLEREGION);
    EXPECT_TRUE(same_rects(shape, {RECT{1, 0, 2, 1}}));
}

TEST(ApplyRegion, AnInvalidWindowIsAnErrorAndLeaksNothing) {
    Picture24 p;
    p.create(2, 2, kOther);
    create_region(p, kKey);
    HWND gone;
    {
        ShapedWindow window(10, 10);
        gone = window.get();
    }
    try {
        apply_region(p, gone);
        FAIL() << "no error";
    } catch (const hresult_error& e) {
        EXPECT_EQ(e.code(), HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE));
    }
    EXPECT_THROW(remove_region(nullptr), hresult_error);
    EXPECT_TRUE(p.has_region());
}

}  // namespace
}  // namespace korvix
