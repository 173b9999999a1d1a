// Reading an area of the screen as 0xRRGGBB values, row by row. Kept apart from the
// tests because Xlib's macros clash with ordinary C++ names.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {

// Empty when the area cannot be read.
std::vector<std::uint32_t> CaptureArea(Xvfb& display, const Geometry& area);

}  // namespace e2e
