#include "platform/pixels.h"

#include <algorithm>
#include <cstdlib>

namespace sp {
namespace {

// Rounded x * a / 255 for bytes.
constexpr std::uint32_t MulDiv255(std::uint32_t x, std::uint32_t a) {
  const std::uint32_t t = x * a + 128;
  return (t + (t >> 8)) >> 8;
}

struct Clip {
  int sx, sy, dx, dy, w, h;
};

// The part of src placed at (x, y) that lands inside dst.
Clip ClipTo(const Bitmap& dst, const Bitmap& src, int x, int y) {
  Clip c{0, 0, x, y, src.width, src.height};
  if (c.dx < 0) {
    c.sx = -c.dx;
    c.w += c.dx;
    c.dx = 0;
  }
  if (c.dy < 0) {
    c.sy = -c.dy;
    c.h += c.dy;
    c.dy = 0;
  }
  c.w = std::min(c.w, dst.width - c.dx);
  c.h = std::min(c.h, dst.height - c.dy);
  return c;
}

}  // namespace

void FillRect(Bitmap& dst, int x, int y, int w, int h, Rgb colour) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, dst.width), y1 = std::min(y + h, dst.height);
  if (x1 <= x0 || y1 <= y0) return;
  const Pixel p = OpaquePixel(colour);
  for (int yy = y0; yy < y1; ++yy) {
    Pixel* row = &dst.At(x0, yy);
    std::fill(row, row + (x1 - x0), p);
  }
}

void DrawLine(Bitmap& dst, int x0, int y0, int x1, int y1, Rgb colour) {
  const Pixel p = OpaquePixel(colour);
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    if (dst.Contains(x0, y0)) dst.At(x0, y0) = p;
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void CopyPixels(Bitmap& dst, const Bitmap& src, int x, int y) {
  const Clip c = ClipTo(dst, src, x, y);
  if (c.w <= 0 || c.h <= 0) return;
  for (int row = 0; row < c.h; ++row) {
    const Pixel* from = src.Row(c.sy + row) + c.sx;
    std::copy_n(from, c.w, &dst.At(c.dx, c.dy + row));
  }
}

void BlendPixels(Bitmap& dst, const Bitmap& src, int x, int y, std::uint8_t opacity) {
  const Clip c = ClipTo(dst, src, x, y);
  for (int row = 0; row < c.h; ++row) {
    for (int col = 0; col < c.w; ++col) {
      const Pixel s = src.At(c.sx + col, c.sy + row);
      Pixel& d = dst.At(c.dx + col, c.dy + row);
      const std::uint32_t sa = MulDiv255(s >> 24, opacity);
      if (sa == 0 && opacity == 0) continue;
      Pixel out = 0;
      for (int shift = 0; shift <= 24; shift += 8) {
        const std::uint32_t sc = MulDiv255((s >> shift) & 0xFF, opacity);
        const std::uint32_t dc = (d >> shift) & 0xFF;
        out |= std::min<std::uint32_t>(255, sc + MulDiv255(dc, 255 - sa)) << shift;
      }
      d = out;
    }
  }
}

void DrawFocusFrame(Bitmap& dst, int width) {
  const int w = dst.width, h = dst.height, t = std::max(1, width);
  // Each pixel of the edge takes its colour from how far round the frame it lies, as
  // a dashed line stroked round the edge would give it.
  const auto paint = [&](int x, int y, long along) {
    if (dst.Contains(x, y))
      dst.At(x, y) = OpaquePixel((along / (2 * t)) % 2 == 0 ? Rgb{255, 255, 255} : Rgb{0, 0, 0});
  };
  const long across = w - t, down = h - t;  // the lengths of the top and of the right side
  // The top last, so the frame starts white in its corner.
  for (int d = 0; d < t; ++d) {
    for (int y = 0; y < h; ++y) paint(d, y, 2 * across + down + (h - 1 - y));      // left, upwards
    for (int x = 0; x < w; ++x) paint(x, h - 1 - d, across + down + (w - 1 - x));  // bottom
    for (int y = 0; y < h; ++y) paint(w - 1 - d, y, across + y);  // right, downwards
    for (int x = 0; x < w; ++x) paint(x, d, x);                   // top, left to right
  }
}

}  // namespace sp
