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

struct Dpi {
  double x = 96.0, y = 96.0;

  int ToPxX(std::int64_t units) const { return int(std::lround(double(units) * x / 96.0)); }
  int ToPxY(std::int64_t units) const { return int(std::lround(double(units) * y / 96.0)); }
  std::int64_t ToUnitsX(int px) const { return std::llround(double(px) * 96.0 / x); }
  std::int64_t ToUnitsY(int px) const { return std::llround(double(px) * 96.0 / y); }
  // A font of `points` is this many pixels tall.
  int FontPx(double points) const { return int(std::lround(points * y / 72.0)); }
};

}  // namespace sp
