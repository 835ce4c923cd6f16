// The fast operations against the plain reference, on random pictures of
// awkward sizes: every byte (padding included) and every progress report.
#include <array>
#include <climits>
#include <functional>
#include <string>

#include "test_support.h"

namespace korvix::test {
namespace {

struct Size {
  std::int32_t width, height;
};

// 1x1 up to a large odd picture; widths 4..7 give each padding 0..3.
const Size kSizes[] = {{1, 1}, {3, 1}, {1, 3}, {2, 2}, {5, 7}, {4, 3}, {5, 3}, {6, 3}, {7, 3},
                       {3, 5}, {64, 65}, {130, 67}, {1023, 517}};

std::vector<std::int16_t> expected_progress(int first_row, int last_row, int height) {
  std::vector<std::int16_t> out;
  for (int r = first_row; r <= last_row; ++r)
    out.push_back(static_cast<std::int16_t>(
        height == 1 ? 100 : reference::round_half_even(static_cast<double>(r) / (height - 1) * 100.0)));
  return out;
}

enum class Rows { all, all_but_last, inner };

struct Operation {
  std::string name;
  std::function<void(Picture24&)> fast;
  std::function<void(reference::Picture&)> slow;
  Rows rows;
  bool on_large = true;  // also run on the large picture (one case per family)
};

std::vector<Operation> operations() {
  std::vector<Operation> ops;
  for (int mask = 1; mask < 8; ++mask) {
    const bool r = mask & 4, g = mask & 2, b = mask & 1;
    ops.push_back({"invert" + std::to_string(mask), [=](Picture24& p) { p.invert(r, g, b); },
                   [=](reference::Picture& p) { reference::invert(p, r, g, b); }, Rows::all,
                   mask == 5 || mask == 7});
  }
  ops.push_back({"grayscale", [](Picture24& p) { p.grayscale(); }, reference::grayscale, Rows::all});
  ops.push_back({"black_white", [](Picture24& p) { p.black_white(); }, reference::black_white, Rows::all});
  ops.push_back({"mirror", [](Picture24& p) { p.mirror(); }, reference::mirror, Rows::all});
  ops.push_back({"flip", [](Picture24& p) { p.flip(); }, reference::flip, Rows::all});
  ops.push_back({"blur", [](Picture24& p) { p.blur(); }, reference::blur, Rows::inner});
  for (float amount : {0.5f, 1.0f, 2.7f, -0.3f, -1.0f, 0.1f, 126.9f}) {
    ops.push_back({"sharpen" + std::to_string(amount), [=](Picture24& p) { p.sharpen(amount); },
                   [=](reference::Picture& p) { reference::sharpen(p, amount); }, Rows::all_but_last,
                   amount == 2.7f});
  }
  for (int factor : {-3, -1, 0, 1, 2, 7, 300}) {
    ops.push_back({"contrast" + std::to_string(factor), [=](Picture24& p) { p.contrast(factor); },
                   [=](reference::Picture& p) { reference::contrast(p, factor); }, Rows::all_but_last,
                   factor == 7 || factor == -3});
  }
  for (int level : {0, 1, 77, 128, 200, 254, 255}) {
    ops.push_back({"brightness" + std::to_string(level), [=](Picture24& p) { p.brightness(level); },
                   [=](reference::Picture& p) { reference::brightness(p, level); }, Rows::all,
                   level == 77});
  }
  for (int percent : {-150, -100, -37, -1, 0, 1, 10, 33, 55, 100, 250}) {
    ops.push_back({"lightness" + std::to_string(percent), [=](Picture24& p) { p.lightness(percent); },
                   [=](reference::Picture& p) { reference::lightness(p, percent); }, Rows::all,
                   percent == -37 || percent == 55});
  }
  return ops;
}

void check_in_place(const Operation& op, const Picture24& source) {
  Picture24 fast(source);
  ProgressRecorder recorder;
  fast.set_progress_listener(&recorder);
  reference::Picture slow = to_reference(source);
  op.fast(fast);
  op.slow(slow);
  const int h = source.height();
  ASSERT_TRUE(same_bytes(slow, fast)) << op.name << " on " << source.width() << "x" << h;
  std::vector<std::int16_t> expected;
  switch (op.rows) {
    case Rows::all: expected = expected_progress(0, h - 1, h); break;
    case Rows::all_but_last: expected = expected_progress(0, h - 2, h); break;
    case Rows::inner: expected = expected_progress(1, h - 2, h); break;
  }
  ASSERT_EQ(expected, recorder.calls) << op.name << " on " << source.width() << "x" << h;
}

TEST(ReferenceAgreement, FiltersAndInPlaceTransformsOnRandomBytes) {
  std::mt19937 rng(8);
  const std::vector<Operation> ops = operations();
  for (const Size& size : kSizes) {
    const Picture24 source = random_picture(size.width, size.height, rng);
    const bool large = size.width * size.height > 100000;
    for (const Operation& op : ops)
      if (!large || op.on_large) check_in_place(op, source);
  }
}

TEST(ReferenceAgreement, FiltersOnPicturesWithRepeatedColours) {
  // Few colours: equal neighbours, exact ties and colour-cache hits.
  std::mt19937 rng(9);
  const std::vector<Operation> ops = operations();
  for (const Size& size : {Size{5, 7}, Size{97, 31}, Size{181, 77}}) {
    for (int colours : {1, 3, 40}) {
      const Picture24 source = palette_picture(size.width, size.height, rng, colours);
      for (const Operation& op : ops) check_in_place(op, source);
    }
  }
}

TEST(ReferenceAgreement, LightnessOnEveryGreyAndSaturatedColour) {
  // All 256 greys and the six fully saturated ramps, many percentages.
  Picture24 source;
  source.create(256, 7);
  for (int v = 0; v < 256; ++v) {
    source.set_pixel(v, 0, v * 0x010101);
    source.set_pixel(v, 1, 0xFF0000 | v);
    source.set_pixel(v, 2, 0x00FF00 | v << 16);
    source.set_pixel(v, 3, 0x0000FF | v << 8);
    source.set_pixel(v, 4, v << 16 | (255 - v));
    source.set_pixel(v, 5, v << 8 | (255 - v) << 16);
    source.set_pixel(v, 6, v | 0x80 << 8);
  }
  for (int percent = -120; percent <= 120; percent += 7) {
    Picture24 fast(source);
    reference::Picture slow = to_reference(source);
    fast.lightness(percent);
    reference::lightness(slow, percent);
    ASSERT_TRUE(same_bytes(slow, fast)) << percent;
  }
}

TEST(ReferenceAgreement, GrayScaleAndLightnessOnEveryColour) {
  // All 16,777,216 colours once: the sixteen-pixel grey scale, the four-lane
  // HSL conversion and the colour cache must give the plain formulas' bytes
  // everywhere.
  const Picture24 source = every_colour();
  {
    Picture24 fast(source);
    reference::Picture slow = to_reference(source);
    fast.grayscale();
    reference::grayscale(slow);
    ASSERT_TRUE(same_bytes(slow, fast)) << "grayscale";
  }
  // 18 and -9 are among the percents whose single-precision factor differs
  // from the double one rounded once: exact ties then round the other way.
  for (const int percent : {37, 18, -9}) {
    Picture24 fast(source);
    reference::Picture slow = to_reference(source);
    fast.lightness(percent);
    reference::lightness(slow, percent);
    ASSERT_TRUE(same_bytes(slow, fast)) << "lightness " << percent;
  }
}

TEST(ReferenceAgreement, BrightnessAndContrastOnEveryByteValue) {
  // Every byte value in every channel position, against every level and a
  // sweep of factors including the extremes.
  Picture24 source;
  source.create(256, 2);
  for (int v = 0; v < 256; ++v) {
    source.set_pixel(v, 0, v | (255 - v) << 8 | ((v * 7) & 255) << 16);
    source.set_pixel(v, 1, ((v * 13) & 255) | v << 8 | (255 - v) << 16);
  }
  for (int level = 0; level <= 255; ++level) {
    Picture24 fast(source);
    reference::Picture slow = to_reference(source);
    fast.brightness(level);
    reference::brightness(slow, level);
    ASSERT_TRUE(same_bytes(slow, fast)) << "level " << level;
  }
  std::vector<int> factors = {INT32_MIN, -100000, -256, -255, -254, 254, 255, 256, 100000, INT32_MAX};
  for (int f = -300; f <= 300; f += 3) factors.push_back(f);
  for (int factor : factors) {
    Picture24 fast(source);
    reference::Picture slow = to_reference(source);
    fast.contrast(factor);
    reference::contrast(slow, factor);
    ASSERT_TRUE(same_bytes(slow, fast)) << "factor " << factor;
  }
}

TEST(ReferenceAgreement, Rotate90) {
  std::mt19937 rng(10);
  for (const Size& size : kSizes) {
    const Picture24 source = random_picture(size.width, size.height, rng);
    Picture24 fast(source);
    ProgressRecorder recorder;
    fast.set_progress_listener(&recorder);
    fast.rotate90();
    ASSERT_TRUE(same_bytes(reference::rotate90(to_reference(source)), fast)) << size.width << "x" << size.height;
    ASSERT_EQ(expected_progress(0, size.height - 1, size.height), recorder.calls);
  }
}

TEST(ReferenceAgreement, CropAnywhere) {
  std::mt19937 rng(11);
  for (const Size& size : kSizes) {
    const Picture24 source = random_picture(size.width, size.height, rng);
    // Fixed rectangles of about the picture's size (cropped inside the buffer
    // when they fit), then random ones anywhere.
    const int W = size.width, H = size.height;
    std::vector<std::array<int, 4>> rects = {{0, 0, W, H},          {-3, 0, W, H},     {2, 0, W, H},
                                             {0, 1, W, H},          {-1, 1, W, H - 1 > 0 ? H - 1 : 1},
                                             {1, 0, W > 1 ? W - 1 : 1, H}, {W, 0, W, H}, {0, H, W, H},
                                             {-W, 0, W + 1, H},     {0, 0, W + 5, H},  {-2, -1, W, H}};
    for (int i = 0; i < 12; ++i)
      rects.push_back({static_cast<int>(rng() % (2 * W + 4)) - W - 2, static_cast<int>(rng() % (2 * H + 4)) - H - 2,
                       1 + static_cast<int>(rng() % (W + 3)), 1 + static_cast<int>(rng() % (H + 3))});
    for (const auto& [left, top, w, h] : rects) {
      Picture24 fast(source);
      ProgressRecorder recorder;
      fast.set_progress_listener(&recorder);
      ASSERT_TRUE(fast.crop(left, top, w, h));
      ASSERT_TRUE(same_bytes(reference::crop(to_reference(source), left, top, w, h), fast))
          << "crop " << left << "," << top << " " << w << "x" << h << " of " << size.width << "x" << size.height;
      ASSERT_TRUE(recorder.calls.empty());
    }
  }
}

TEST(ReferenceAgreement, ResizeUpAndDown) {
  std::mt19937 rng(12);
  for (const Size& size : kSizes) {
    const Picture24 source = random_picture(size.width, size.height, rng);
    const Size targets[] = {{1, 1},
                            {size.width, size.height},
                            {size.width * 2 + 1, size.height + 3},
                            {std::max(1, size.width / 3), std::max(1, size.height / 2)},
                            {7, 13},
                            {size.width + 1, std::max(1, size.height - 1)}};
    for (const Size& target : targets) {
      Picture24 fast(source);
      ASSERT_TRUE(fast.resize(target.width, target.height));
      ASSERT_TRUE(same_bytes(reference::resize(to_reference(source), target.width, target.height), fast))
          << size.width << "x" << size.height << " -> " << target.width << "x" << target.height;
    }
  }
}

TEST(ReferenceAgreement, SharpenOverflowMatchesTheReferenceDecision) {
  // Where the reference stops with an overflow, the fast one refuses before
  // changing anything; where it does not, both give the same bytes.
  std::mt19937 rng(13);
  for (float amount : {128.0f, 140.0f, -129.0f, -130.0f, 200.0f}) {
    for (int colours : {1, 2, 4}) {
      Picture24 source = palette_picture(9, 6, rng, colours);
      // Keep the values close together in some pictures so large amounts fit.
      if (colours == 2) {
        source.create(9, 6, 0x646464);
        source.set_pixel(4, 3, 0x656565);
      }
      Picture24 fast(source);
      reference::Picture slow = to_reference(source);
      bool slow_overflowed = false;
      try {
        reference::sharpen(slow, amount);
      } catch (const reference::Overflow&) {
        slow_overflowed = true;
      }
      if (slow_overflowed) {
        EXPECT_THROW(fast.sharpen(amount), picture24_error) << amount;
        EXPECT_TRUE(fast.compare(source)) << amount;
      } else {
        fast.sharpen(amount);
        EXPECT_TRUE(same_bytes(slow, fast)) << amount;
      }
    }
  }
}

}  // namespace
}  // namespace korvix::test
