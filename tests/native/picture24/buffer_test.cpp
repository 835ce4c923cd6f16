// The buffer: layout, life cycle, whole-buffer access and the held region.
#include <climits>

#include "test_support.h"

namespace korvix::test {
namespace {

TEST(PictureLayout, StrideIsSmallestMultipleOfFourHoldingTheRow) {
  const struct { std::int32_t width; std::size_t stride; std::int16_t padding; } cases[] = {
      {1, 4, 1}, {2, 8, 2}, {3, 12, 3}, {4, 12, 0}, {5, 16, 1}, {6, 20, 2}, {7, 24, 3}, {8, 24, 0}};
  for (const auto& c : cases) {
    Picture24 p;
    ASSERT_TRUE(p.create(c.width, 1));
    EXPECT_EQ(c.stride, p.stride()) << "width " << c.width;
    EXPECT_EQ(c.padding, p.padding()) << "width " << c.width;
    EXPECT_EQ(c.padding, Picture24::row_padding(c.width));
    EXPECT_EQ(c.stride, p.bits().size());
  }
}

TEST(PictureLayout, RowPaddingOfHugeWidthsDoesNotOverflow) {
  EXPECT_EQ(Picture24::row_padding(INT32_MAX), 3 - ((3LL * INT32_MAX + 3) % 4));
  EXPECT_EQ(Picture24::row_padding(INT32_MAX - 1), 3 - ((3LL * (INT32_MAX - 1) + 3) % 4));
  EXPECT_EQ(Picture24::row_padding(0), 0);
}

TEST(PictureLayout, PixelsAreBlueGreenRedTopDown) {
  Picture24 p = make_picture(2, 2, {0x030201, 0x060504, 0x090807, 0x0C0B0A});
  const std::vector<std::uint8_t> b = p.bits();
  const std::vector<std::uint8_t> expected = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  EXPECT_EQ(expected, b);
  EXPECT_EQ(p.data() + 8, p.row(1));
}

TEST(PictureLifeCycle, NewPictureIsEmpty) {
  Picture24 p;
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(0, p.width());
  EXPECT_EQ(0, p.height());
  EXPECT_EQ(nullptr, p.data());
  EXPECT_TRUE(p.bits().empty());
  EXPECT_FALSE(p.has_region());
}

TEST(PictureLifeCycle, CreateWithoutFillIsBlackIncludingPadding) {
  Picture24 p;
  ASSERT_TRUE(p.create(3, 2));
  EXPECT_EQ(std::vector<std::uint8_t>(24, 0), p.bits());
}

TEST(PictureLifeCycle, CreateWithPackedColourIgnoresTopByte) {
  Picture24 p;
  ASSERT_TRUE(p.create(2, 2, static_cast<std::int32_t>(0xAB0000FF)));  // red 0, green 0, blue 255
  ASSERT_TRUE(p.create(2, 2, 0xFF0000));                               // red
  const std::vector<std::uint8_t> expected = {0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0};
  EXPECT_EQ(expected, p.bits());
  ASSERT_TRUE(p.create(1, 1, static_cast<std::int32_t>(0xFF123456)));
  EXPECT_EQ(0x123456, p.pixel(0, 0));
}

TEST(PictureLifeCycle, CreateWithByteTripleFillsBlueGreenRed) {
  Picture24 p;
  ASSERT_TRUE(p.create(3, 1, PixelBytes{1, 2, 3}));
  const std::vector<std::uint8_t> expected = {1, 2, 3, 1, 2, 3, 1, 2, 3, 0, 0, 0};
  EXPECT_EQ(expected, p.bits());
}

TEST(PictureLifeCycle, CreateWithNonPositiveSizeChangesNothing) {
  Picture24 p = make_picture(2, 1, {0x112233, 0x445566});
  const auto before = p.bits();
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -1}, {0, 0}}) {
    EXPECT_FALSE(p.create(w, h, 0xFFFFFF)) << w << "x" << h;
    EXPECT_EQ(2, p.width());
    EXPECT_EQ(before, p.bits());
  }
}

TEST(PictureLifeCycle, TooLargeSizesFailBeforeAllocatingAndLeaveThePicture) {
  Picture24 p = make_picture(1, 1, {0x010203});
  for (auto [w, h] : {std::pair{INT32_MAX, 1}, {1 << 20, 1 << 12}, {715827882, 1}, {65536, 65536}}) {
    try {
      p.create(w, h);
      ADD_FAILURE() << w << "x" << h << " was accepted";
    } catch (const picture24_error& e) {
      EXPECT_EQ(picture24_errc::too_large, e.code()) << w << "x" << h;
    }
    EXPECT_EQ(1, p.width());
    EXPECT_EQ(0x010203, p.pixel(0, 0));
  }
}

TEST(PictureLifeCycle, SizeChecksAcceptTheLargestRepresentableRow) {
  // 3 * 715827881 + 1 = 2147483644 bytes: the widest row that still fits.
  EXPECT_EQ(2147483644u, Picture24::checked_stride(715827881));
  EXPECT_THROW(Picture24::checked_stride(715827882), picture24_error);
  EXPECT_EQ(2147483644u, Picture24::checked_size(715827881, 1));
  EXPECT_THROW(Picture24::checked_size(715827881, 2), picture24_error);
  EXPECT_THROW(Picture24::checked_size(0, 1), picture24_error);
  EXPECT_THROW(Picture24::checked_size(1, 0), picture24_error);
}

TEST(PictureLifeCycle, ClearEmptiesAndDropsTheRegion) {
  Picture24 p = make_picture(2, 1, {1, 2});
  int deleted = 0;
  static int* counter;
  counter = &deleted;
  p.set_region(RegionHandle(&deleted, [](void*) { ++*counter; }));
  ASSERT_TRUE(p.has_region());
  p.clear();
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(0, p.height());
  EXPECT_EQ(0u, p.stride());
  EXPECT_FALSE(p.has_region());
  EXPECT_EQ(1, deleted);
}

// The held region describes pixels; every operation that replaces the pixels
// deletes it exactly once, the ones that only rewrite them keep it.
class RegionBookkeeping : public ::testing::Test {
 protected:
  void SetUp() override {
    deleted = 0;
    picture = make_picture(3, 2, {1, 2, 3, 4, 5, 6});
    picture.set_region(RegionHandle(&deleted, [](void* n) { ++*static_cast<int*>(n); }));
  }
  void expect_deleted(const char* what) {
    EXPECT_FALSE(picture.has_region()) << what;
    EXPECT_EQ(1, deleted) << what;
  }
  void expect_kept(const char* what) {
    EXPECT_TRUE(picture.has_region()) << what;
    EXPECT_EQ(0, deleted) << what;
    EXPECT_EQ(&deleted, picture.region()) << what;
  }
  int deleted = 0;
  Picture24 picture;
};

TEST_F(RegionBookkeeping, CreateDeletesIt) { picture.create(1, 1); expect_deleted("create"); }
TEST_F(RegionBookkeeping, CropDeletesIt) { picture.crop(0, 0, 1, 1); expect_deleted("crop"); }
TEST_F(RegionBookkeeping, ResizeDeletesIt) { picture.resize(3, 2); expect_deleted("resize"); }
TEST_F(RegionBookkeeping, AssignPixelsDeletesIt) {
  const std::uint8_t row[3] = {1, 2, 3};
  picture.assign_pixels(1, 1, row, 3);
  expect_deleted("assign_pixels");
}
TEST_F(RegionBookkeeping, DeleteRegionDeletesItOnce) {
  picture.delete_region();
  picture.delete_region();
  expect_deleted("delete_region");
}
TEST_F(RegionBookkeeping, ReplacingItDeletesTheOldOne) {
  int second = 0;
  picture.set_region(RegionHandle(&second, [](void* n) { ++*static_cast<int*>(n); }));
  EXPECT_EQ(1, deleted);
  EXPECT_EQ(&second, picture.region());
  picture.clear();
  EXPECT_EQ(1, second);
}
TEST_F(RegionBookkeeping, DestructionDeletesIt) {
  { Picture24 moved = std::move(picture); }
  EXPECT_EQ(1, deleted);
}
TEST_F(RegionBookkeeping, TransformsFiltersAndBitsKeepIt) {
  picture.rotate90();
  picture.mirror();
  picture.flip();
  picture.invert(true, true, true);
  picture.grayscale();
  picture.black_white();
  picture.sharpen(1);
  picture.blur();
  picture.contrast(2);
  picture.brightness(100);
  picture.lightness(10);
  picture.set_bits(picture.bits().data(), picture.size_bytes());
  picture.set_pixel(0, 0, 7);
  expect_kept("transforms and filters");
}
TEST_F(RegionBookkeeping, FailedCropAndResizeKeepItAndThePixels) {
  const auto before = picture.bits();
  EXPECT_THROW(picture.crop(0, 0, 0, 1), picture24_error);
  EXPECT_THROW(picture.resize(1, -3), picture24_error);
  EXPECT_THROW(picture.resize(INT32_MAX, INT32_MAX), picture24_error);
  expect_kept("failed crop/resize");
  EXPECT_EQ(before, picture.bits());
  EXPECT_EQ(3, picture.width());
}
TEST_F(RegionBookkeeping, AssigningAnotherPictureDeletesItAndKeepsTheListener) {
  ProgressRecorder recorder;
  picture.set_progress_listener(&recorder);
  const Picture24 other = make_picture(1, 2, {7, 8});
  picture = other;
  expect_deleted("copy assignment");
  EXPECT_TRUE(picture.compare(other));
  EXPECT_EQ(&recorder, picture.progress_listener());
}
TEST_F(RegionBookkeeping, CopiesDoNotShareIt) {
  Picture24 copy(picture);
  EXPECT_FALSE(copy.has_region());
  EXPECT_TRUE(copy.compare(picture));
  copy.clear();
  expect_kept("after the copy went");
}

TEST(PictureBits, CopyIsIndependentOfTheBuffer) {
  Picture24 p = make_picture(1, 1, {0x010203});
  std::vector<std::uint8_t> b = p.bits();
  b[0] = 99;
  EXPECT_EQ(0x010203, p.pixel(0, 0));
}

TEST(PictureBits, AssignReplacesEveryByteIncludingPadding) {
  Picture24 p;
  p.create(1, 2);
  const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  p.set_bits(bytes, sizeof bytes);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 8), p.bits());
  EXPECT_EQ(1, p.width());
  EXPECT_EQ(2, p.height());
}

TEST(PictureBits, AssignOfTheWrongShapeIsRejectedAndChangesNothing) {
  Picture24 p = make_picture(2, 1, {0x010203, 0x040506});
  const auto before = p.bits();
  const std::vector<std::uint8_t> short_block(7, 9), long_block(9, 9);
  for (const auto* block : {&short_block, &long_block}) {
    try {
      p.set_bits(block->data(), block->size());
      ADD_FAILURE() << block->size() << " bytes accepted";
    } catch (const picture24_error& e) {
      EXPECT_EQ(picture24_errc::wrong_shape, e.code());
    }
  }
  EXPECT_THROW(p.set_bits(nullptr, 8), picture24_error);
  EXPECT_EQ(before, p.bits());
  Picture24 empty;
  EXPECT_THROW(empty.set_bits(short_block.data(), 0), picture24_error);
}

TEST(PictureBits, AssignPixelsCopiesRowsAndZeroesPadding) {
  // Source rows 7 bytes apart, bottom-up via a negative stride.
  const std::uint8_t src[14] = {1, 2, 3, 4, 5, 6, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE};
  Picture24 p;
  p.assign_pixels(2, 2, src + 7, -7);
  const std::vector<std::uint8_t> expected = {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
  EXPECT_EQ(expected, p.bits());
  EXPECT_THROW(p.assign_pixels(0, 2, src, 7), picture24_error);
  EXPECT_THROW(p.assign_pixels(2, 2, nullptr, 7), picture24_error);
  EXPECT_EQ(expected, p.bits());
}

TEST(PictureCompare, EqualOnlyWithSameSizeAndIdenticalBytes) {
  std::mt19937 rng(1);
  Picture24 a = random_picture(5, 3, rng);
  EXPECT_TRUE(a.compare(a));
  Picture24 b(a);
  EXPECT_TRUE(a.compare(b));
  b.set_pixel(4, 2, b.pixel(4, 2) ^ 0x010000);
  EXPECT_FALSE(a.compare(b));
  // A padding byte counts too.
  Picture24 c(a);
  auto bytes = c.bits();
  bytes[c.stride() - 1] ^= 1;
  c.set_bits(bytes.data(), bytes.size());
  EXPECT_FALSE(a.compare(c));
  // Same byte count, different shape.
  Picture24 d, e;
  d.create(4, 2);  // 12 x 2 bytes
  e.create(2, 3);  // 8 x 3 bytes
  EXPECT_EQ(d.size_bytes(), e.size_bytes());
  EXPECT_FALSE(d.compare(e));
  EXPECT_FALSE(a.compare(Picture24()));
  EXPECT_TRUE(Picture24().compare(Picture24()));
}

TEST(PictureProgress, PercentRoundsHalvesToEven) {
  ProgressRecorder recorder;
  Picture24 p;
  p.create(2, 9);
  p.set_progress_listener(&recorder);
  p.invert(true, false, false);
  // r / 8 * 100: 12.5 -> 12, 37.5 -> 38, 62.5 -> 62, 87.5 -> 88.
  EXPECT_EQ((std::vector<std::int16_t>{0, 12, 25, 38, 50, 62, 75, 88, 100}), recorder.calls);
}

TEST(PictureProgress, SingleRowReportsOneHundred) {
  ProgressRecorder recorder;
  Picture24 p;
  p.create(3, 1);
  p.set_progress_listener(&recorder);
  p.mirror();
  EXPECT_EQ((std::vector<std::int16_t>{100}), recorder.calls);
  EXPECT_EQ(100, Picture24::progress_percent(0, 1));
}

// A listener that tries to change the picture while an operation runs is
// refused, and the operation still finishes correctly.
struct MeddlingListener final : ProgressListener {
  Picture24* picture = nullptr;
  std::vector<picture24_errc> refusals;
  void on_progress(std::int16_t) override {
    try {
      picture->clear();
    } catch (const picture24_error& e) {
      refusals.push_back(e.code());
    }
    try {
      picture->crop(0, 0, 1, 1);
    } catch (const picture24_error& e) {
      refusals.push_back(e.code());
    }
  }
};

TEST(PictureProgress, ListenerCannotChangeThePictureMidOperation) {
  Picture24 p = make_picture(2, 2, {1, 2, 3, 4});
  MeddlingListener listener;
  listener.picture = &p;
  p.set_progress_listener(&listener);
  p.mirror();
  EXPECT_EQ(std::vector<picture24_errc>(4, picture24_errc::busy), listener.refusals);
  EXPECT_EQ((std::vector<std::int32_t>{2, 1, 4, 3}), pixels_of(p));
  // Once the operation is over, changes are accepted again.
  p.set_progress_listener(nullptr);
  p.clear();
  EXPECT_TRUE(p.empty());
}

// A listener that moves pictures in or out of the one being processed: the
// buffer under the running operation must stay where it is.
struct MovingListener final : ProgressListener {
  Picture24* picture = nullptr;
  Picture24 other = make_picture(3, 1, {5, 6, 7});
  int refusals = 0;
  void on_progress(std::int16_t) override {
    const auto refused = [&](auto&& change) {
      try {
        change();
      } catch (const picture24_error& e) {
        refusals += e.code() == picture24_errc::busy;
      }
    };
    refused([&] { *picture = std::move(other); });
    refused([&] { Picture24 stolen(std::move(*picture)); });
    refused([&] { other = std::move(*picture); });
  }
};

TEST(PictureProgress, ListenerCannotMovePicturesInOrOut) {
  const struct {
    const char* name;
    void (*run)(Picture24&);
    std::vector<std::int32_t> expected;
  } cases[] = {
      {"rotate90", [](Picture24& p) { p.rotate90(); }, {3, 1, 4, 2}},
      {"flip", [](Picture24& p) { p.flip(); }, {3, 4, 1, 2}},
      {"mirror", [](Picture24& p) { p.mirror(); }, {2, 1, 4, 3}},
  };
  for (const auto& c : cases) {
    Picture24 p = make_picture(2, 2, {1, 2, 3, 4});
    MovingListener listener;
    listener.picture = &p;
    p.set_progress_listener(&listener);
    c.run(p);
    EXPECT_EQ(3 * 2, listener.refusals) << c.name;
    EXPECT_EQ(c.expected, pixels_of(p)) << c.name;
    EXPECT_EQ((std::vector<std::int32_t>{5, 6, 7}), pixels_of(listener.other)) << c.name;
  }
}

TEST(PictureLifeCycle, MovesAgreeWithCopiesOnListenerAndRegion) {
  int target_regions = 0, source_regions = 0;
  ProgressRecorder target_listener, source_listener;
  const auto counting = [](int& n) { return RegionHandle(&n, [](void* c) { ++*static_cast<int*>(c); }); };
  for (const bool by_move : {false, true}) {
    target_regions = source_regions = 0;
    Picture24 target = make_picture(1, 1, {9});
    Picture24 source = make_picture(2, 1, {1, 2});
    target.set_progress_listener(&target_listener);
    source.set_progress_listener(&source_listener);
    target.set_region(counting(target_regions));
    source.set_region(counting(source_regions));
    if (by_move)
      target = std::move(source);
    else
      target = source;
    const char* how = by_move ? "move" : "copy";
    EXPECT_EQ((std::vector<std::int32_t>{1, 2}), pixels_of(target)) << how;
    EXPECT_EQ(&target_listener, target.progress_listener()) << how;
    EXPECT_FALSE(target.has_region()) << how;
    EXPECT_EQ(1, target_regions) << how;
    EXPECT_EQ(&source_listener, source.progress_listener()) << how;
    // The source keeps its pixels and region when copied; a moved-from
    // picture is empty, and a region of pixels it no longer has is gone.
    EXPECT_EQ(by_move, source.empty()) << how;
    EXPECT_EQ(by_move ? 1 : 0, source_regions) << how;
    Picture24 constructed(std::move(target));
    EXPECT_EQ(nullptr, constructed.progress_listener()) << how;
    EXPECT_TRUE(target.empty()) << how;
  }
}

TEST(PictureProgress, EmptyPictureReportsNothing) {
  ProgressRecorder recorder;
  Picture24 p;
  p.set_progress_listener(&recorder);
  p.rotate90();
  p.mirror();
  p.flip();
  p.invert(true, true, true);
  p.grayscale();
  p.black_white();
  p.sharpen(1);
  p.blur();
  p.contrast(2);
  p.brightness(300);  // not even the level is looked at: there is nothing to do
  p.lightness(50);
  EXPECT_TRUE(recorder.calls.empty());
  EXPECT_TRUE(p.empty());
  EXPECT_FALSE(p.crop(0, 0, 1, 1));
  EXPECT_FALSE(p.resize(1, 1));
  p.resize_keep_aspect(10, 10, true);
  EXPECT_TRUE(p.empty());
}

}  // namespace
}  // namespace korvix::test
