// Drawing numbered images; the pixel work is in pixels.cpp.
#include "platform/canvas_draw.h"

#include <algorithm>
#include <vector>

#include "platform/controls.h"
#include "platform/image_store.h"

namespace sp {
namespace {

void Draw(Bitmap& target, const Bitmap& pixels, int depth, int x, int y, std::uint8_t opacity) {
  if (depth != 32 && opacity == 255) {
    CopyPixels(target, pixels, x, y);
  } else {
    BlendPixels(target, pixels, x, y, opacity);
  }
}

struct Resampled {
  std::weak_ptr<const Image> source;
  int scale = 1;
  std::shared_ptr<const Bitmap> pixels;
};

// A handful is enough: the covers on show, the dock icons and the button faces.
constexpr std::size_t kKeptResampled = 24;

}  // namespace

std::shared_ptr<const Bitmap> PixelsAt(const std::shared_ptr<const Image>& image, int scale) {
  // Aliasing: shares ownership of the image, points at its bitmap.
  const int density = std::max(1, image->density);
  if (scale <= density) return {image, &image->bitmap};
  static std::vector<Resampled> kept;
  std::erase_if(kept, [](const Resampled& r) { return r.source.expired(); });
  for (const Resampled& r : kept) {
    if (r.scale == scale && r.source.lock() == image) return r.pixels;
  }
  auto pixels = std::make_shared<const Bitmap>(ScaleSmooth(
      image->bitmap, image->width() * scale / density, image->height() * scale / density));
  if (kept.size() >= kKeptResampled) kept.erase(kept.begin());
  kept.push_back({image, scale, pixels});
  return pixels;
}

bool DrawImage(Bitmap& target, ImageId n, int x, int y, std::uint8_t opacity, int scale) {
  // Held for the whole draw: the watcher may replace the number meanwhile.
  const auto image = images::Get(n);
  if (!image) return false;
  scale = std::max(1, scale);
  Draw(target, *PixelsAt(image, scale), image->depth, x * scale, y * scale, opacity);
  return true;
}

bool CopyImage(Bitmap& target, ImageId n, int x, int y) {
  const auto image = images::Get(n);
  if (!image) return false;
  CopyPixels(target, image->bitmap, x, y);
  return true;
}

Point CentredPosition(std::int64_t canvas_w, std::int64_t canvas_h, std::int64_t image_w,
                      std::int64_t image_h) {
  return {(canvas_w - image_w) / 2, (canvas_h - image_h) / 2};
}

bool DrawImageCentred(ControlId canvas, ImageId n, Rgb fill) {
  CanvasDrawing drawing(canvas);
  if (!drawing) return false;
  Bitmap& target = drawing.bitmap();
  Fill(target, fill);
  const auto image = images::Get(n);
  if (!image) return true;
  // Centred in screen pixels, where the picture and the scaled image both live.
  const auto pixels = PixelsAt(image, drawing.scale());
  const Point at = CentredPosition(target.width, target.height, pixels->width, pixels->height);
  Draw(target, *pixels, image->depth, int(at.x), int(at.y), 255);
  return true;
}

}  // namespace sp
