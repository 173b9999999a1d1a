// A monoline lettering of round-ended strokes for the logo: capitals only, drawn as
// distance fields so any size and any bend along a circle stays smooth.
#pragma once

#include <string_view>
#include <vector>

namespace sp::art {

struct Vec {
  double x = 0, y = 0;
};

// A line of text laid out in pixels: u runs along the baseline from the start of the
// text, v upwards from the baseline.
class Lettering {
 public:
  Lettering(std::string_view text, double cap_height, double stroke, double tracking);
  double width() const { return width_; }
  double cap_height() const { return cap_; }
  // Signed distance in pixels from (u, v) to the ink: negative inside a stroke.
  double Distance(double u, double v) const;

 private:
  struct Placed {
    char c;
    double x;  // left edge of the ink
    double ink_width;
  };
  std::vector<Placed> placed_;
  double cap_, stroke_, width_ = 0;
};

// Distance from p to a segment, and to an arc (centre, radius, start angle and signed
// sweep in degrees, anticlockwise positive with y up).
double SegmentDistance(Vec p, Vec a, Vec b);
double ArcDistance(Vec p, Vec centre, double radius, double start, double sweep);

}  // namespace sp::art
