#include "tests/e2e/capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace e2e {

std::vector<std::uint32_t> CaptureArea(Xvfb& display, const Geometry& area) {
  XImage* image = XGetImage(display.x(), DefaultRootWindow(display.x()), area.x, area.y,
                            unsigned(area.width), unsigned(area.height), AllPlanes, ZPixmap);
  if (!image) return {};
  std::vector<std::uint32_t> pixels;
  pixels.reserve(std::size_t(area.width) * std::size_t(area.height));
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x)
      pixels.push_back(std::uint32_t(XGetPixel(image, x, y) & 0xFFFFFFu));
  XDestroyImage(image);
  return pixels;
}

}  // namespace e2e
