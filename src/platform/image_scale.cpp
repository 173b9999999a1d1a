// Smooth, separable resampling of premultiplied pixels.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/image_store.h"

namespace sp {
namespace {

struct Tap {
  int index;
  float weight;
};

// For each output position, which source samples contribute and how much.
std::vector<std::vector<Tap>> Weights(int src, int dst) {
  std::vector<std::vector<Tap>> out(dst);
  const double scale = double(src) / dst;
  for (int i = 0; i < dst; ++i) {
    auto& taps = out[i];
    if (scale > 1.0) {
      // Shrinking: average the source span the output pixel covers (box filter
      // with fractional edges), so no source pixel is skipped.
      const double lo = i * scale, hi = (i + 1) * scale;
      for (int s = int(std::floor(lo)); s < int(std::ceil(hi)) && s < src; ++s) {
        const double cover = std::min<double>(hi, s + 1) - std::max<double>(lo, s);
        if (cover > 0) taps.push_back({s, float(cover / scale)});
      }
    } else {
      // Growing: linear interpolation between the two nearest source centres.
      const double pos = std::clamp((i + 0.5) * scale - 0.5, 0.0, double(src - 1));
      const int s0 = int(std::floor(pos));
      const int s1 = std::min(s0 + 1, src - 1);
      const float f = float(pos - s0);
      taps.push_back({s0, 1.0f - f});
      if (s1 != s0 && f > 0) taps.push_back({s1, f});
    }
  }
  return out;
}

}  // namespace

Bitmap ScaleSmooth(const Bitmap& src, int width, int height) {
  Bitmap dst(width, height, 0);
  if (src.width <= 0 || src.height <= 0 || width <= 0 || height <= 0) return dst;
  const auto wx = Weights(src.width, width);
  const auto wy = Weights(src.height, height);

  // Horizontal pass into floats: src.height rows of `width` pixels, 4 channels.
  std::vector<float> mid(std::size_t(width) * src.height * 4);
  for (int y = 0; y < src.height; ++y) {
    for (int x = 0; x < width; ++x) {
      float acc[4] = {0, 0, 0, 0};
      for (const Tap& t : wx[x]) {
        const Pixel p = src.At(t.index, y);
        for (int c = 0; c < 4; ++c) acc[c] += t.weight * float((p >> (8 * c)) & 0xFF);
      }
      std::copy_n(acc, 4, &mid[(std::size_t(y) * width + x) * 4]);
    }
  }
  // Vertical pass back to bytes.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      float acc[4] = {0, 0, 0, 0};
      for (const Tap& t : wy[y]) {
        const float* m = &mid[(std::size_t(t.index) * width + x) * 4];
        for (int c = 0; c < 4; ++c) acc[c] += t.weight * m[c];
      }
      const auto alpha = std::uint32_t(std::clamp(std::lround(acc[3]), 0L, 255L));
      Pixel p = alpha << 24;
      for (int c = 0; c < 3; ++c) {
        // Premultiplied colour can never exceed its alpha.
        const auto v = std::uint32_t(std::clamp(std::lround(acc[c]), 0L, long(alpha)));
        p |= v << (8 * c);
      }
      dst.At(x, y) = p;
    }
  }
  return dst;
}

}  // namespace sp
