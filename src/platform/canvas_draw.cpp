// Drawing numbered images; the pixel work is in pixels.cpp.
#include "platform/canvas_draw.h"

#include "platform/controls.h"
#include "platform/image_store.h"

namespace sp {
namespace {

void Draw(Bitmap& target, const Image& image, int x, int y, std::uint8_t opacity) {
  if (image.depth != 32 && opacity == 255) {
    CopyPixels(target, image.bitmap, x, y);
  } else {
    BlendPixels(target, image.bitmap, x, y, opacity);
  }
}

}  // namespace

bool DrawImage(Bitmap& target, ImageId n, int x, int y, std::uint8_t opacity) {
  // Held for the whole draw: the watcher may replace the number meanwhile.
  const auto image = images::Get(n);
  if (!image) return false;
  Draw(target, *image, x, y, opacity);
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
  const Point at = CentredPosition(target.width, target.height, image->width(), image->height());
  Draw(target, *image, int(at.x), int(at.y), 255);
  return true;
}

}  // namespace sp
