// The set of pixels that differ from a key colour, as banded rectangles: the
// form a platform region takes, so the binding can build it in one call.
#include <utility>
#include <vector>

#include "picture24/picture24.h"

namespace korvix {

std::vector<RegionRect> Picture24::key_region_rects(std::int32_t key) const {
  std::vector<RegionRect> rects;
  if (empty()) return rects;
  const auto key_bits = static_cast<std::uint32_t>(key);  // bits 24-31 set: matches nothing
  std::vector<std::pair<std::int32_t, std::int32_t>> spans;
  std::size_t band = 0;             // first rectangle of the last band
  std::int32_t band_bottom = -1;    // bottom of the last band
  for (std::int32_t y = 0; y < height_; ++y) {
    spans.clear();
    const std::uint8_t* p = row(y);
    std::int32_t start = -1;
    for (std::int32_t x = 0; x < width_; ++x, p += 3) {
      const std::uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
      if (colour != key_bits) {
        if (start < 0) start = x;
      } else if (start >= 0) {
        spans.emplace_back(start, x);
        start = -1;
      }
    }
    if (start >= 0) spans.emplace_back(start, width_);
    if (spans.empty()) continue;

    // A row whose spans equal the band just above extends that band.
    bool same = band_bottom == y && rects.size() - band == spans.size();
    for (std::size_t i = 0; same && i < spans.size(); ++i)
      same = rects[band + i].left == spans[i].first && rects[band + i].right == spans[i].second;
    if (same) {
      for (std::size_t i = band; i < rects.size(); ++i) rects[i].bottom = y + 1;
    } else {
      band = rects.size();
      for (const auto& span : spans) rects.push_back({span.first, y, span.second, y + 1});
    }
    band_bottom = y + 1;
  }
  return rects;
}

}  // namespace korvix
