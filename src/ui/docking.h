// Where the docked cover window stands beside the main window, and which presses
// in a window's top strip start a move. Positions are in 1/96-inch units; the strip
// is tested in client pixels.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/geometry.h"
#include "platform/ids.h"

namespace sp {

inline constexpr std::int64_t kCoverWindowWidth = 302;
inline constexpr std::int64_t kCoverWindowHeight = 322;

// A docked cover window starts one unit right of the main window's right edge, with
// both bottom edges in line (322 - 127 = 195).
inline constexpr std::int64_t kDockOffsetX = 731;
inline constexpr std::int64_t kDockOffsetY = -127;
// A click on the thumbnail opens a docked cover window one unit closer; the first
// move of either window then brings it to kDockOffsetX.
inline constexpr std::int64_t kOpenDockedOffsetX = 730;

// The docked place of the cover window beside a main window at `main`.
Point DockedCoverAt(Point main);
// Where the main window belongs when a docked cover window stands at `cover`.
Point MainBesideCover(Point cover);
// Where a click on the thumbnail opens a docked cover window.
Point OpenedDockedCoverAt(Point main);

// The top rows of either window that start a move, in screen pixels.
inline constexpr int kDragStripRows = 21;

// The top 21 rows of either window, as wide as the window, start a move. `pointer`
// is in the window's client pixels; nothing means outside the client area.
bool InDragStrip(WindowId window, std::optional<Point> pointer);

}  // namespace sp
