// Keeping a restored window within reach. Neither window has a system title bar, so
// one whose top strip lies on no connected monitor (a monitor since unplugged, a
// hand-edited file) could never be moved back.
#pragma once

#include <vector>

#include "platform/geometry.h"
#include "platform/ids.h"

namespace sp {

// The top strip of a window, relative to its top-left corner, and how much of it
// must lie on one monitor for the window to count as reachable.
struct StripReach {
  std::int64_t width = 0, height = 0;
  std::int64_t min_width = 0, min_height = 0;
};

// `stored` when at least min_width x min_height of the strip lies on one of the
// monitors (negative places left of or above the primary count like any other);
// otherwise the top-left corner of the primary monitor's work area. With no monitor
// known the stored place is kept.
Point ReachablePosition(Point stored, const StripReach& strip, const std::vector<Rect>& monitors,
                        const Rect& primary_work_area);

// The same for one of the program's windows on the screens connected now.
Point ReachablePosition(WindowId window, Point stored);

}  // namespace sp
