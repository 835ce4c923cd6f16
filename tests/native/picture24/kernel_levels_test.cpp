// The kernels of every instruction-set level this processor runs give the
// reference's bytes: the three operations on awkward sizes (tile edges,
// leftover rows and columns, short rows) and the grey scale of every colour.
// Built natively (with the sanitizers) and for the shipped i686 build.
#include <utility>

#include "picture24/pixel_kernels.h"
#include "test_support.h"

namespace korvix::test {
namespace {

const struct {
  const char* name;
  void (*fast)(Picture24&);
  void (*slow)(reference::Picture&);
  bool on_every_colour;
} kOperations[] = {
    {"mirror", [](Picture24& p) { p.mirror(); }, reference::mirror, false},
    {"grayscale", [](Picture24& p) { p.grayscale(); }, reference::grayscale, true},
    {"rotate90", [](Picture24& p) { p.rotate90(); }, [](reference::Picture& p) { p = reference::rotate90(p); }, false},
};

TEST(KernelLevels, EveryLevelGivesTheReferenceBytes) {
  std::mt19937 rng(12);
  std::vector<Picture24> sources;
  // The turn in place: squares of odd and even sides, partial tiles, a
  // tile at the buffer's end; other shapes turn their largest square in
  // place and the rest aside, with rows moving to a longer, shorter or equal
  // stride, and {200, 2} into rows with more padding than the old ones.
  for (const auto& [w, h] : {std::pair{1, 1}, {15, 3}, {16, 9}, {31, 33}, {32, 8}, {33, 70}, {47, 64}, {64, 65},
                             {70, 130}, {130, 67}, {1023, 517}, {9, 9}, {21, 21}, {68, 68}, {301, 301}, {68, 67},
                             {200, 2}, {2, 200}})
    sources.push_back(random_picture(w, h, rng));
  sources.push_back(every_colour());
  const kernels::Level best = kernels::best_level();
  for (const auto& op : kOperations)
    for (const Picture24& source : sources) {
      if (source.width() == 4096 && !op.on_every_colour) continue;
      reference::Picture expected = to_reference(source);
      op.slow(expected);
      for (int l = 0; l <= static_cast<int>(best); ++l) {
        const kernels::Level level = kernels::use_level(static_cast<kernels::Level>(l));
        Picture24 fast(source);
        op.fast(fast);
        EXPECT_TRUE(same_bytes(expected, fast))
            << op.name << " at " << kernels::level_name(level) << " on " << source.width() << "x" << source.height();
      }
    }
  kernels::use_level(best);
}

}  // namespace
}  // namespace korvix::test
