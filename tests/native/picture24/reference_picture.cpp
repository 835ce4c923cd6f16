#include "reference_picture.h"

#include <cmath>

namespace korvix::reference {

Picture::Picture(int w, int h) : width(w), height(h), stride((w * 3 + 3) / 4 * 4), bytes(static_cast<std::size_t>(stride) * h) {}

int round_half_even(double v) {
  const double f = std::floor(v);
  const double diff = v - f;
  if (diff > 0.5) return static_cast<int>(f) + 1;
  if (diff < 0.5) return static_cast<int>(f);
  return static_cast<int>(std::fmod(f, 2.0) == 0.0 ? f : f + 1);
}

static int round_half_even_float(float v) { return round_half_even(static_cast<double>(v)); }

static int clamp255(long long v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

Picture crop(const Picture& p, int left, int top, int w, int h) {
  Picture out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const long long sx = static_cast<long long>(left) + x, sy = static_cast<long long>(top) + y;
      if (sx >= 0 && sx < p.width && sy >= 0 && sy < p.height)
        for (int c = 0; c < 3; ++c) out.at(x, y)[c] = p.at(static_cast<int>(sx), static_cast<int>(sy))[c];
    }
  return out;
}

Picture resize(const Picture& p, int w, int h) {
  Picture out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = static_cast<int>(static_cast<long long>(x) * p.width / w);
      const int sy = static_cast<int>(static_cast<long long>(y) * p.height / h);
      for (int c = 0; c < 3; ++c) out.at(x, y)[c] = p.at(sx, sy)[c];
    }
  return out;
}

Picture rotate90(const Picture& p) {
  Picture out(p.height, p.width);
  for (int j = 0; j < p.height; ++j)
    for (int k = 0; k < p.width; ++k)
      for (int c = 0; c < 3; ++c) out.at(j, k)[c] = p.at(k, p.height - 1 - j)[c];
  return out;
}

void mirror(Picture& p) {
  const Picture copy = p;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      for (int c = 0; c < 3; ++c) p.at(x, y)[c] = copy.at(p.width - 1 - x, y)[c];
}

void flip(Picture& p) {
  const Picture copy = p;
  for (int y = 0; y < p.height; ++y)
    for (int b = 0; b < 3 * p.width; ++b) p.at(0, y)[b] = copy.at(0, p.height - 1 - y)[b];
}

void invert(Picture& p, bool red, bool green, bool blue) {
  if (!(red || green || blue)) return;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      std::uint8_t* px = p.at(x, y);
      if (blue) px[0] = static_cast<std::uint8_t>(255 - px[0]);
      if (green) px[1] = static_cast<std::uint8_t>(255 - px[1]);
      if (red) px[2] = static_cast<std::uint8_t>(255 - px[2]);
    }
}

void grayscale(Picture& p) {
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      std::uint8_t* px = p.at(x, y);
      const double v = (222.0 * px[2] + 707.0 * px[1] + 71.0 * px[0]) / 1000.0;
      px[0] = px[1] = px[2] = static_cast<std::uint8_t>(round_half_even(v));
    }
}

void black_white(Picture& p) {
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      std::uint8_t* px = p.at(x, y);
      const bool white = px[2] >= 192 || px[1] >= 192 || px[0] >= 192;
      px[0] = px[1] = px[2] = white ? 255 : 0;
    }
}

void sharpen(Picture& p, float amount) {
  for (int y = 0; y <= p.height - 2; ++y)
    for (int x = 0; x <= p.width - 2; ++x) {
      std::uint8_t* px = p.at(x, y);
      const std::uint8_t* q = p.at(x + 1, y + 1);
      int out[3];
      for (int c = 0; c < 3; ++c) {
        const float diff = static_cast<float>(px[c] - q[c]);
        const float product = diff * amount;
        const float value = static_cast<float>(px[c]) + product;
        if (std::isnan(value)) throw Overflow();
        const double r = round_half_even(std::fmax(std::fmin(value, 1e9f), -1e9f));
        if (r < -32768 || r > 32767) throw Overflow();
        out[c] = clamp255(static_cast<long long>(r));
      }
      for (int c = 0; c < 3; ++c) px[c] = static_cast<std::uint8_t>(out[c]);
    }
}

void blur(Picture& p) {
  for (int y = 1; y <= p.height - 2; ++y)
    for (int x = 1; x <= p.width - 2; ++x)
      for (int c = 0; c < 3; ++c) {
        const int sum = p.at(x, y)[c] + p.at(x - 1, y - 1)[c] + p.at(x + 1, y + 1)[c] +
                        p.at(x + 1, y)[c] + p.at(x, y + 1)[c];
        p.at(x, y)[c] = static_cast<std::uint8_t>(clamp255(round_half_even(sum * 0.2)));
      }
}

void contrast(Picture& p, int factor) {
  for (int y = 0; y <= p.height - 2; ++y)
    for (int x = 0; x <= p.width - 2; ++x)
      for (int c = 0; c < 3; ++c) {
        const long long v = (static_cast<long long>(p.at(x, y)[c]) - 128) * factor + 128;
        p.at(x, y)[c] = static_cast<std::uint8_t>(clamp255(v));
      }
}

void brightness(Picture& p, int level) {
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      int out[3];
      for (int c = 0; c < 3; ++c) {
        const int v = round_half_even(static_cast<double>(p.at(x, y)[c]) * level / 255.0);
        if (v < 0 || v > 255) throw Overflow();
        out[c] = v;
      }
      for (int c = 0; c < 3; ++c) p.at(x, y)[c] = static_cast<std::uint8_t>(out[c]);
    }
}

void rgb_to_hsl(int R, int G, int B, float& h, float& s, float& l) {
  const float r = static_cast<float>(R * (1.0 / 255.0));
  const float g = static_cast<float>(G * (1.0 / 255.0));
  const float b = static_cast<float>(B * (1.0 / 255.0));
  float max = r;
  if (g > max) max = g;
  if (b > max) max = b;
  float min = r;
  if (g < min) min = g;
  if (b < min) min = b;
  const float sum = max + min;
  l = sum * 0.5f;
  if (max == min) {
    h = 0;
    s = 0;
    return;
  }
  const float d = max - min;
  if (l <= 0.5f) {
    s = d / sum;
  } else {
    const float two_minus_max = 2.0f - max;
    const float denominator = two_minus_max - min;
    s = d / denominator;
  }
  if (r == max) {
    h = (g - b) / d;
  } else if (g == max) {
    const float q = (b - r) / d;
    h = q + 2.0f;
  } else {
    const float q = (r - g) / d;
    h = q + 4.0f;
  }
}

void hsl_to_rgb(float h, float s, float l, std::int64_t& R, std::int64_t& G, std::int64_t& B) {
  float r, g, b;
  if (s == 0) {
    r = g = b = l;
  } else {
    float m1;
    if (l <= 0.5f) {
      const float one_minus_s = 1.0f - s;
      m1 = l * one_minus_s;
    } else {
      const float one_minus_l = 1.0f - l;
      const float t = s * one_minus_l;
      m1 = l - t;
    }
    const float two_l = 2.0f * l;
    const float m2 = two_l - m1;
    const float span = m2 - m1;
    auto lerp = [&](float t) {
      const float step = t * span;
      return m1 + step;
    };
    if (h < 0) {
      r = m2; g = m1;
      const float step = h * span;
      b = m1 - step;
    } else if (h < 1) {
      r = m2; g = lerp(h); b = m1;
    } else if (h < 2) {
      r = lerp(2.0f - h); g = m2; b = m1;
    } else if (h < 3) {
      r = m1; g = m2; b = lerp(h - 2.0f);
    } else if (h < 4) {
      r = m1; g = lerp(4.0f - h); b = m2;
    } else {
      r = lerp(h - 4.0f); g = m1; b = m2;
    }
  }
  const float rs = r * 255.0f, gs = g * 255.0f, bs = b * 255.0f;
  R = round_half_even_float(rs);
  G = round_half_even_float(gs);
  B = round_half_even_float(bs);
}

void lightness(Picture& p, int percent) {
  const float percent_single = static_cast<float>(percent);
  const float hundredth = percent_single / 100.0f;
  const float factor = hundredth + 1.0f;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      std::uint8_t* px = p.at(x, y);
      float h, s, l;
      rgb_to_hsl(px[2], px[1], px[0], h, s, l);
      float l2 = l * factor;
      if (l2 > 1) l2 = 1;
      if (l2 < 0) l2 = 0;
      std::int64_t r, g, b;
      hsl_to_rgb(h, s, l2, r, g, b);
      px[0] = static_cast<std::uint8_t>(b & 0xFF);
      px[1] = static_cast<std::uint8_t>(g & 0xFF);
      px[2] = static_cast<std::uint8_t>(r & 0xFF);
    }
}

std::vector<bool> key_mask(const Picture& p, std::int32_t key) {
  std::vector<bool> mask(static_cast<std::size_t>(p.width) * p.height, true);
  for (int y = 0; y < p.height; ++y) {
    int start = -1;
    for (int x = 0; x < p.width; ++x) {
      const std::uint8_t* px = p.at(x, y);
      const std::int32_t colour = px[0] + 256 * px[1] + 65536 * px[2];
      const bool is_key = colour == key;
      if (is_key && start < 0) start = x;
      const bool close = start >= 0 && (!is_key || x == p.width - 1);
      if (close) {
        const int end = is_key ? x + 1 : x;
        for (int i = start; i < end; ++i) mask[static_cast<std::size_t>(y) * p.width + i] = !mask[static_cast<std::size_t>(y) * p.width + i];
        start = -1;
      }
    }
  }
  return mask;
}

}  // namespace korvix::reference
