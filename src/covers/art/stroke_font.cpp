// The letters of the logo's lettering as strokes on a unit cap height (y up from the
// baseline), geometric and round-ended.
#include "covers/art/stroke_font.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace sp::art {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Stroke {
  bool arc = false;
  Vec a, b;  // a line from a to b; for an arc, a is the centre
  double radius = 0, start = 0, sweep = 0;
};

Stroke L(double x0, double y0, double x1, double y1) {
  return {false, {x0, y0}, {x1, y1}};
}
Stroke A(double cx, double cy, double r, double start, double sweep) {
  return {true, {cx, cy}, {}, r, start, sweep};
}

struct Glyph {
  double width = 0;  // of the skeleton
  std::vector<Stroke> strokes;
};

const std::map<char, Glyph>& Glyphs() {
  static const std::map<char, Glyph> glyphs = {
      {'A', {0.80, {L(0, 0, 0.4, 1), L(0.4, 1, 0.8, 0), L(0.16, 0.36, 0.64, 0.36)}}},
      {'B',
       {0.58,
        {L(0, 0, 0, 1), L(0, 1, 0.3, 1), A(0.3, 0.76, 0.24, 90, -180), L(0, 0.52, 0.32, 0.52),
         A(0.32, 0.26, 0.26, 90, -180), L(0, 0, 0.32, 0)}}},
      {'D', {0.70, {L(0, 0, 0, 1), L(0, 1, 0.2, 1), L(0, 0, 0.2, 0), A(0.2, 0.5, 0.5, 90, -180)}}},
      {'E', {0.54, {L(0, 0, 0, 1), L(0, 1, 0.54, 1), L(0, 0.52, 0.44, 0.52), L(0, 0, 0.54, 0)}}},
      {'F', {0.52, {L(0, 0, 0, 1), L(0, 1, 0.52, 1), L(0, 0.52, 0.42, 0.52)}}},
      {'I', {0.0, {L(0, 0, 0, 1)}}},
      {'K', {0.60, {L(0, 0, 0, 1), L(0.58, 1, 0, 0.36), L(0.2, 0.58, 0.6, 0)}}},
      {'M',
       {0.86, {L(0, 0, 0, 1), L(0, 1, 0.43, 0.32), L(0.43, 0.32, 0.86, 1), L(0.86, 1, 0.86, 0)}}},
      {'N', {0.68, {L(0, 0, 0, 1), L(0, 1, 0.68, 0), L(0.68, 0, 0.68, 1)}}},
      {'R',
       {0.60,
        {L(0, 0, 0, 1), L(0, 1, 0.32, 1), A(0.32, 0.75, 0.25, 90, -180), L(0, 0.5, 0.32, 0.5),
         L(0.3, 0.5, 0.6, 0)}}},
      {'S', {0.58, {A(0.29, 0.745, 0.255, 28, 242), A(0.29, 0.255, 0.255, 90, -242)}}},
      {'T', {0.70, {L(0, 1, 0.7, 1), L(0.35, 1, 0.35, 0)}}},
      {'U', {0.66, {L(0, 1, 0, 0.33), A(0.33, 0.33, 0.33, 180, 180), L(0.66, 0.33, 0.66, 1)}}},
  };
  return glyphs;
}

double GlyphDistance(const Glyph& g, Vec p) {
  double d = std::numeric_limits<double>::max();
  for (const Stroke& s : g.strokes) {
    d = std::min(
        d, s.arc ? ArcDistance(p, s.a, s.radius, s.start, s.sweep) : SegmentDistance(p, s.a, s.b));
  }
  return d;
}

constexpr double kSpaceWidth = 0.30;

}  // namespace

double SegmentDistance(Vec p, Vec a, Vec b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double ArcDistance(Vec p, Vec centre, double radius, double start, double sweep) {
  const double angle = std::atan2(p.y - centre.y, p.x - centre.x) * 180 / kPi;
  double t = std::fmod((angle - start) * (sweep < 0 ? -1 : 1), 360.0);
  if (t < 0) t += 360;
  if (t <= std::abs(sweep)) return std::abs(std::hypot(p.x - centre.x, p.y - centre.y) - radius);
  auto end = [&](double deg) {
    const double r = deg * kPi / 180;
    return Vec{centre.x + radius * std::cos(r), centre.y + radius * std::sin(r)};
  };
  const Vec e0 = end(start), e1 = end(start + sweep);
  return std::min(std::hypot(p.x - e0.x, p.y - e0.y), std::hypot(p.x - e1.x, p.y - e1.y));
}

Lettering::Lettering(std::string_view text, double cap_height, double stroke, double tracking)
    : cap_(cap_height), stroke_(stroke) {
  double x = 0;
  for (char c : text) {
    auto it = Glyphs().find(c);
    if (it == Glyphs().end()) {  // a space, or a letter the logo does not use
      x += kSpaceWidth * cap_height + tracking;
      continue;
    }
    const double ink = it->second.width * (cap_height - stroke) + stroke;
    placed_.push_back({c, x, ink});
    x += ink + tracking;
  }
  width_ = placed_.empty() ? 0 : placed_.back().x + placed_.back().ink_width;
}

double Lettering::Distance(double u, double v) const {
  double d = std::numeric_limits<double>::max();
  if (v < -stroke_ || v > cap_ + stroke_) return d;
  // The skeleton is scaled so that the round ends just touch the baseline and the cap
  // line: the ink is exactly cap_ tall.
  const double scale = cap_ - stroke_;
  for (const Placed& p : placed_) {
    if (u < p.x - stroke_ || u > p.x + p.ink_width + stroke_) continue;
    const Vec local{(u - p.x - stroke_ / 2) / scale, (v - stroke_ / 2) / scale};
    d = std::min(d, GlyphDistance(Glyphs().at(p.c), local) * scale - stroke_ / 2);
  }
  return d;
}

}  // namespace sp::art
