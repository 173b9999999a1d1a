// Window geometry is given in 1/96-inch units and scaled by the screen's DPI,
// read once at start-up; images and drawing are in pixels.
#pragma once

#include <cmath>
#include <cstdint>

namespace sp {

struct Point {
  std::int64_t x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A rectangle on the screen: top-left corner and size.
struct Rect {
  std::int64_t x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Positions come from a file the user (or anything else) may have edited; keep
// every conversion inside what a window system can take.
inline constexpr double kMaxCoordinate = 1 << 30;

constexpr std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  std::int64_t out = 0;
  if (__builtin_add_overflow(a, b, &out)) return b > 0 ? INT64_MAX : INT64_MIN;
  return out;
}

struct Dpi {
  double x = 96.0, y = 96.0;

  static int Clamped(double px) {
    return int(std::lround(std::fmax(-kMaxCoordinate, std::fmin(kMaxCoordinate, px))));
  }
  int ToPxX(std::int64_t units) const { return Clamped(double(units) * x / 96.0); }
  int ToPxY(std::int64_t units) const { return Clamped(double(units) * y / 96.0); }
  std::int64_t ToUnitsX(int px) const { return std::llround(double(px) * 96.0 / x); }
  std::int64_t ToUnitsY(int px) const { return std::llround(double(px) * 96.0 / y); }
  // A font of `points` is this many pixels tall.
  int FontPx(double points) const { return int(std::lround(points * y / 72.0)); }
};

}  // namespace sp
