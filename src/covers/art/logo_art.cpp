// The logo: a round badge with a thin white rim, a dark ring carrying the station's
// name in white, and a white disc with a dark emblem of sound bars rising over the
// tide. Every edge is drawn from a distance field, so it is antialiased at any size.
#include "covers/art/logo_art.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "covers/art/stroke_font.h"

namespace sp::art {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDark[3] = {43, 42, 41};

// Coverage of a pixel by a shape whose signed distance at its centre is d pixels.
double Cover(double d) {
  return std::clamp(0.5 - d, 0.0, 1.0);
}

// All lengths are designed on a 1600-pixel badge and scaled by k.
struct Design {
  double k, c;  // scale, centre
  double outer, ring_out, ring_in;
  Lettering top, bottom;
  double top_base, bottom_base;

  explicit Design(int size)
      : k(size / 1600.0),
        c(size / 2.0),
        outer(798 * k),
        ring_out(772 * k),
        ring_in(548 * k),
        top(Lettering("TIDEMARK", 132 * k, 27 * k, 44 * k)),
        bottom(Lettering("DRUM AND BASS FM", 100 * k, 22 * k, 22 * k)),
        top_base(660 * k - 132 * k / 2),
        bottom_base(660 * k + 100 * k / 2) {}
};

// The name along the ring: on top reading clockwise with the letters standing out
// from the centre, below reading anticlockwise with their feet outwards.
double RingTextDistance(const Design& d, double px, double py, double r) {
  double best = std::numeric_limits<double>::max();
  if (py < d.k * 120) {
    const double phi = std::atan2(px, -py);
    best = d.top.Distance(d.top_base * phi + d.top.width() / 2, r - d.top_base);
  }
  if (py > -d.k * 120) {
    const double psi = std::atan2(px, py);
    best = std::min(
        best, d.bottom.Distance(d.bottom_base * psi + d.bottom.width() / 2, d.bottom_base - r));
  }
  return best;
}

// Two small white diamonds on the ring where the top and bottom names part.
double SeparatorDistance(const Design& d, double px, double py) {
  const double mid = 660 * d.k, half = 20 * d.k;
  const double ax = std::abs(std::abs(px) - mid), ay = std::abs(py);
  return (ax + ay - half) / std::sqrt(2.0);
}

// A wave line: y = base + amplitude * sin, from x0 to x1, as a polyline.
double WaveDistance(const Design& d, double x, double y, double base, double x0, double x1) {
  const double k = d.k, amplitude = 20 * k, length = 150 * k;
  if (x < x0 - 40 * k || x > x1 + 40 * k || std::abs(y - base) > amplitude + 40 * k)
    return std::numeric_limits<double>::max();
  auto at = [&](double xx) {
    return Vec{xx, base - amplitude * std::sin(2 * kPi * (xx - d.c) / length)};
  };
  double best = std::numeric_limits<double>::max();
  const double step = 4 * k;
  const double from = std::max(x0, x - 60 * k), to = std::min(x1, x + 60 * k);
  for (double xx = from; xx < to; xx += step)
    best = std::min(best, SegmentDistance({x, y}, at(xx), at(std::min(xx + step, to))));
  return best;
}

// Sound bars standing on the water line, and the tide below them.
double EmblemDistance(const Design& d, double x, double y) {
  const double k = d.k;
  double best = std::numeric_limits<double>::max();
  static constexpr double kLevels[] = {0.20, 0.36, 0.56, 0.82, 0.64, 1.0,
                                       0.64, 0.82, 0.56, 0.36, 0.20};
  const double pitch = 60 * k, bar = 38 * k, floor = 880 * k, tallest = 440 * k;
  for (int i = 0; i < 11; ++i) {
    const double bx = d.c + (i - 5) * pitch;
    if (std::abs(x - bx) > pitch) continue;
    const Vec top{bx, floor - tallest * kLevels[i] + bar / 2}, foot{bx, floor - bar / 2};
    best = std::min(best, SegmentDistance({x, y}, top, foot) - bar / 2);
  }
  const double line = 30 * k;
  best = std::min(best, WaveDistance(d, x, y, 955 * k, d.c - 305 * k, d.c + 305 * k) - line / 2);
  best = std::min(best, WaveDistance(d, x, y, 1032 * k, d.c - 230 * k, d.c + 230 * k) - line / 2);
  best = std::min(best, WaveDistance(d, x, y, 1109 * k, d.c - 155 * k, d.c + 155 * k) - line / 2);
  return best;
}

}  // namespace

Bytes LogoRgba(int size) {
  const Design d(size);
  Bytes rgba(std::size_t(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      std::uint8_t* out = &rgba[(std::size_t(y) * size + x) * 4];
      const double px = x + 0.5 - d.c, py = y + 0.5 - d.c, r = std::hypot(px, py);
      const double alpha = Cover(r - d.outer);
      if (alpha <= 0) {
        out[0] = out[1] = out[2] = 255;  // transparent white, as the artwork has it
        out[3] = 0;
        continue;
      }
      // How dark the pixel is: 0 white, 1 the logo's dark grey.
      double ink = Cover(std::max(d.ring_in - r, r - d.ring_out));
      if (r > d.ring_in - 2 && r < d.ring_out + 2) {
        ink *= 1 - Cover(RingTextDistance(d, px, py, r));
        ink *= 1 - Cover(SeparatorDistance(d, px, py));
      }
      if (r < d.ring_in) ink = std::max(ink, Cover(EmblemDistance(d, x + 0.5, y + 0.5)));
      for (int ch = 0; ch < 3; ++ch)
        out[ch] = std::uint8_t(std::lround(255 + (kDark[ch] - 255) * ink));
      out[3] = std::uint8_t(std::lround(255 * alpha));
    }
  }
  return rgba;
}

}  // namespace sp::art
