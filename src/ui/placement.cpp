#include "ui/placement.h"

#include <algorithm>

#include "app/app_data.h"
#include "platform/ui.h"
#include "ui/docking.h"

namespace sp {
namespace {

// The length of [a, a + a_len) that also lies in [b, b + b_len).
std::int64_t Overlap(std::int64_t a, std::int64_t a_len, std::int64_t b, std::int64_t b_len) {
  const std::int64_t from = std::max(a, b);
  const std::int64_t to = std::min(SaturatingAdd(a, a_len), SaturatingAdd(b, b_len));
  return to > from ? to - from : 0;
}

// The drag strip is measured in screen pixels (see docking.h): `units` is a pixel
// length read as units at scale 1; on a scaled screen it covers less.
std::int64_t PxToUnits(std::int64_t units, int scale) {
  return std::max<std::int64_t>(1, units / std::max(1, scale));
}

}  // namespace

Point ReachablePosition(Point stored, const StripReach& strip, const std::vector<Rect>& monitors,
                        const Rect& primary_work_area) {
  if (monitors.empty()) return stored;
  const std::int64_t need_w = std::min(strip.min_width, strip.width);
  const std::int64_t need_h = std::min(strip.min_height, strip.height);
  for (const Rect& m : monitors) {
    if (Overlap(stored.x, strip.width, m.x, m.width) >= need_w &&
        Overlap(stored.y, strip.height, m.y, m.height) >= need_h)
      return stored;
  }
  return {primary_work_area.x, primary_work_area.y};
}

Point ReachablePosition(WindowId window, Point stored) {
  const auto screens = ui::Screens();
  if (!screens) return stored;
  const Dpi& dpi = ui::ScreenDpi();
  const int scale = ui::PixelScale();
  const std::int64_t width = window == WindowId::Main ? kMainWindowWidth : kCoverWindowWidth;
  // At least 40 x 10 screen pixels of the strip that starts a move, which is
  // measured in screen pixels too: on a scaled screen it is the left part only.
  const StripReach strip{PxToUnits(dpi.ToUnitsX(int(width)), scale),
                         PxToUnits(dpi.ToUnitsY(kDragStripRows), scale),
                         PxToUnits(dpi.ToUnitsX(40), scale), PxToUnits(dpi.ToUnitsY(10), scale)};
  return ReachablePosition(stored, strip, screens->monitors, screens->primary_work_area);
}

}  // namespace sp
