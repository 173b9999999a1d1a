// Pixel buffers and the drawing the program does on them: fills, one-pixel lines,
// unscaled copies and alpha blending. Plain C++, so drawing is testable off-screen.
#pragma once

#include <cstdint>
#include <vector>

namespace sp {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// One pixel is 0xAARRGGBB with premultiplied alpha, the layout cairo calls ARGB32,
// so a buffer can be handed to the renderer without conversion.
using Pixel = std::uint32_t;

constexpr Pixel OpaquePixel(Rgb c) {
  return 0xFF000000u | (Pixel{c.r} << 16) | (Pixel{c.g} << 8) | Pixel{c.b};
}
constexpr std::uint8_t AlphaOf(Pixel p) {
  return static_cast<std::uint8_t>(p >> 24);
}
constexpr Rgb RgbOf(Pixel p) {
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
          static_cast<std::uint8_t>(p)};
}

// A bitmap: width x height pixels, rows packed without padding.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<Pixel> pixels;

  Bitmap() = default;
  Bitmap(int w, int h, Pixel fill) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
  Pixel At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
  Pixel& At(int x, int y) { return pixels[std::size_t(y) * width + x]; }
  const Pixel* Row(int y) const { return pixels.data() + std::size_t(y) * width; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

void FillRect(Bitmap& dst, int x, int y, int w, int h, Rgb colour);
inline void Fill(Bitmap& dst, Rgb colour) {
  FillRect(dst, 0, 0, dst.width, dst.height, colour);
}
// One pixel wide, both end points included.
void DrawLine(Bitmap& dst, int x0, int y0, int x1, int y1, Rgb colour);
// Copies src's pixels as they are at (x, y); what falls outside dst is clipped.
void CopyPixels(Bitmap& dst, const Bitmap& src, int x, int y);
// Composites src over dst by its per-pixel alpha, scaled by a constant opacity 0..255.
void BlendPixels(Bitmap& dst, const Bitmap& src, int x, int y, std::uint8_t opacity);
// The keyboard focus: a frame along the edge, `width` pixels thick, dashed white over
// black in dashes of two widths, starting white at the top-left corner and running
// clockwise. Seen on any picture, and nothing inside it changes.
void DrawFocusFrame(Bitmap& dst, int width = 1);

}  // namespace sp
