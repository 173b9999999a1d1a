#include "ui/docking.h"

#include "app/app_data.h"

namespace sp {
namespace {

// Stored positions come from a file anyone may edit: saturate instead of wrapping.
Point Offset(Point p, std::int64_t dx, std::int64_t dy) {
  return {SaturatingAdd(p.x, dx), SaturatingAdd(p.y, dy)};
}

constexpr std::int64_t kStripBottom = kDragStripRows - 1;

}  // namespace

Point DockedCoverAt(Point main) {
  return Offset(main, kDockOffsetX, kDockOffsetY);
}

Point MainBesideCover(Point cover) {
  return Offset(cover, -kDockOffsetX, -kDockOffsetY);
}

Point OpenedDockedCoverAt(Point main) {
  return Offset(main, kOpenDockedOffsetX, kDockOffsetY);
}

bool InDragStrip(WindowId window, std::optional<Point> pointer) {
  std::int64_t width = 0;
  if (window == WindowId::Main) {
    width = kMainWindowWidth;
  } else if (window == WindowId::Cover) {
    width = kCoverWindowWidth;
  } else {
    return false;
  }
  return pointer && pointer->x >= 0 && pointer->x <= width && pointer->y >= 0 &&
         pointer->y <= kStripBottom;
}

}  // namespace sp
