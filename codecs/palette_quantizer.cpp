#include "codecs/palette_quantizer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace korvix {

namespace {

constexpr uint32_t kNoColour = 0xFFFFFFFFu;  // colours are 24-bit, so never a colour
constexpr size_t kMaxColours = 256;
constexpr int kBins = 32;                     // per channel: 5 bits
constexpr size_t kCube = kBins * kBins * kBins;
constexpr int32_t kBandRows = 64;

uint32_t colour_at(const uint8_t* bgr) { return uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0]; }
size_t bin_of(uint32_t rgb) { return (rgb >> 19 & 31) << 10 | (rgb >> 11 & 31) << 5 | (rgb >> 3 & 31); }

// The distinct colours of a picture while there are at most 256 of them.
class ColourSet {
public:
    ColourSet() { slots_.fill(Slot{kNoColour, 0}); }
    // False once a 257th colour appears; the set then stops growing.
    bool add(uint32_t rgb) {
        if (overflow_) return false;
        Slot& slot = find(rgb);
        if (slot.colour == rgb) return true;
        if (count_ == kMaxColours) {
            overflow_ = true;
            return false;
        }
        slot.colour = rgb;
        ++count_;
        return true;
    }
    bool overflow() const noexcept { return overflow_; }
    // Sorted palette; every colour's slot learns its index.
    std::vector<uint32_t> palette() {
        std::vector<uint32_t> colours;
        for (const Slot& s : slots_)
            if (s.colour != kNoColour) colours.push_back(s.colour);
        std::sort(colours.begin(), colours.end());
        for (size_t i = 0; i < colours.size(); ++i) find(colours[i]).index = static_cast<uint8_t>(i);
        return colours;
    }
    uint8_t index_of(uint32_t rgb) { return find(rgb).index; }

private:
    struct Slot {
        uint32_t colour;
        uint8_t index;
    };
    // Open addressing, at most a quarter full.
    Slot& find(uint32_t rgb) {
        size_t i = (rgb * 2654435761u) >> 22;
        while (slots_[i].colour != kNoColour && slots_[i].colour != rgb) i = (i + 1) & (slots_.size() - 1);
        return slots_[i];
    }
    std::array<Slot, 1024> slots_;
    size_t count_ = 0;
    bool overflow_ = false;
};

struct Histogram {
    std::vector<uint32_t> count = std::vector<uint32_t>(kCube);
    std::vector<uint64_t> sum_r = std::vector<uint64_t>(kCube), sum_g = std::vector<uint64_t>(kCube),
                          sum_b = std::vector<uint64_t>(kCube);
    void add(uint32_t rgb) {
        const size_t b = bin_of(rgb);
        ++count[b];
        sum_r[b] += rgb >> 16;
        sum_g[b] += rgb >> 8 & 255;
        sum_b[b] += rgb & 255;
    }
};

struct Box {
    int lo[3], hi[3];  // inclusive bin ranges: red, green, blue
    uint64_t pixels = 0;
};

size_t bin_index(const int c[3]) { return size_t(c[0]) << 10 | size_t(c[1]) << 5 | size_t(c[2]); }

template <typename Visit>
void for_each_bin(const Box& box, Visit&& visit) {
    int c[3];
    for (c[0] = box.lo[0]; c[0] <= box.hi[0]; ++c[0])
        for (c[1] = box.lo[1]; c[1] <= box.hi[1]; ++c[1])
            for (c[2] = box.lo[2]; c[2] <= box.hi[2]; ++c[2]) visit(c);
}

// Narrows the box to its occupied bins and counts its pixels.
void shrink(Box& box, const Histogram& h) {
    Box tight{{kBins, kBins, kBins}, {-1, -1, -1}, 0};
    for_each_bin(box, [&](const int c[3]) {
        const uint32_t n = h.count[bin_index(c)];
        if (!n) return;
        tight.pixels += n;
        for (int a = 0; a < 3; ++a) {
            tight.lo[a] = std::min(tight.lo[a], c[a]);
            tight.hi[a] = std::max(tight.hi[a], c[a]);
        }
    });
    box = tight;
}

bool splittable(const Box& b) { return b.lo[0] < b.hi[0] || b.lo[1] < b.hi[1] || b.lo[2] < b.hi[2]; }

// Splits box at the pixel median of its longest side; the upper part goes to upper.
void split(Box& box, Box& upper, const Histogram& h) {
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (box.hi[a] - box.lo[a] > box.hi[axis] - box.lo[axis]) axis = a;
    std::array<uint64_t, kBins> along{};
    for_each_bin(box, [&](const int c[3]) { along[c[axis]] += h.count[bin_index(c)]; });
    uint64_t seen = 0;
    int cut = box.lo[axis];
    // The lower part keeps at least one slice and leaves at least one.
    for (; cut < box.hi[axis] - 1; ++cut) {
        seen += along[cut];
        if (seen * 2 >= box.pixels) break;
    }
    upper = box;
    box.hi[axis] = cut;
    upper.lo[axis] = cut + 1;
    shrink(box, h);
    shrink(upper, h);
}

std::vector<uint32_t> median_cut(const Histogram& h, std::vector<uint8_t>& bin_to_index) {
    std::vector<Box> boxes{Box{{0, 0, 0}, {kBins - 1, kBins - 1, kBins - 1}, 0}};
    shrink(boxes[0], h);
    while (boxes.size() < kMaxColours) {
        auto fullest = boxes.end();
        for (auto it = boxes.begin(); it != boxes.end(); ++it)
            if (splittable(*it) && (fullest == boxes.end() || it->pixels > fullest->pixels)) fullest = it;
        if (fullest == boxes.end()) break;
        Box upper;
        split(*fullest, upper, h);
        boxes.push_back(upper);
    }
    std::vector<uint32_t> palette;
    for (size_t i = 0; i < boxes.size(); ++i) {
        uint64_t n = 0, r = 0, g = 0, b = 0;
        for_each_bin(boxes[i], [&](const int c[3]) {
            const size_t bin = bin_index(c);
            if (!h.count[bin]) return;
            n += h.count[bin];
            r += h.sum_r[bin];
            g += h.sum_g[bin];
            b += h.sum_b[bin];
            bin_to_index[bin] = static_cast<uint8_t>(i);
        });
        palette.push_back(uint32_t((r + n / 2) / n) << 16 | uint32_t((g + n / 2) / n) << 8 | uint32_t((b + n / 2) / n));
    }
    return palette;
}

// Calls visit(y, row) for every row, reading in bands.
bool for_each_row(BgrRowSource& rows, const std::function<void(int32_t, const uint8_t*)>& visit) {
    const size_t row_bytes = size_t(rows.width()) * 3;
    std::vector<uint8_t> band(row_bytes * kBandRows);
    for (int32_t first = 0; first < rows.height(); first += kBandRows) {
        const int32_t count = std::min(kBandRows, rows.height() - first);
        if (!rows.read_rows(first, count, band.data(), row_bytes)) return false;
        for (int32_t i = 0; i < count; ++i) visit(first + i, band.data() + size_t(i) * row_bytes);
    }
    return true;
}

}  // namespace

QuantizeResult quantize_to_palette(BgrRowSource& rows, PalettePicture& out) {
    const int32_t width = rows.width(), height = rows.height();
    if (width <= 0 || height <= 0) return QuantizeResult::invalid_size;
    const uint64_t stride = (uint64_t(width) + 3) & ~uint64_t(3);
    if (stride * uint64_t(height) > uint64_t(INT32_MAX)) return QuantizeResult::too_large;

    auto set = std::make_unique<ColourSet>();
    auto histogram = std::make_unique<Histogram>();
    if (!for_each_row(rows, [&](int32_t, const uint8_t* row) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t rgb = colour_at(row + size_t(x) * 3);
                set->add(rgb);
                histogram->add(rgb);
            }
        }))
        return QuantizeResult::read_failed;

    PalettePicture result;
    result.width = width;
    result.height = height;
    result.stride = static_cast<size_t>(stride);
    result.exact = !set->overflow();
    std::vector<uint8_t> bin_to_index(kCube);
    result.palette = result.exact ? set->palette() : median_cut(*histogram, bin_to_index);
    histogram.reset();

    result.indices.assign(result.stride * size_t(height), 0);
    if (!for_each_row(rows, [&](int32_t y, const uint8_t* row) {
            uint8_t* line = result.indices.data() + size_t(y) * result.stride;
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t rgb = colour_at(row + size_t(x) * 3);
                line[x] = result.exact ? set->index_of(rgb) : bin_to_index[bin_of(rgb)];
            }
        }))
        return QuantizeResult::read_failed;
    out = std::move(result);
    return QuantizeResult::done;
}

}  // namespace korvix
