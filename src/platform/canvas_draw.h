// Drawing numbered images onto bitmaps and canvases: copied as they are, blended by
// their alpha with a constant opacity, or centred on a filled canvas.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/geometry.h"
#include "platform/ids.h"
#include "platform/pixels.h"

namespace sp {

struct Image;

// The image's pixels for a picture `scale` times denser: the bitmap itself when it
// was drawn at that density, otherwise resampled smoothly. A resampled image is kept while it
// lives, so one drawn again and again (a hovered cover) is scaled once. GUI thread.
std::shared_ptr<const Bitmap> PixelsAt(const std::shared_ptr<const Image>& image, int scale);

// Draws image n at (x, y). A 32-bit image is blended by its own alpha scaled by
// `opacity`; a 24-bit one is opaque, so at 255 it is copied. False (and nothing
// drawn) when n names no image.
// On a target `scale` times denser (a canvas's picture), (x, y) and the image are
// multiplied by it.
bool DrawImage(Bitmap& target, ImageId n, int x, int y, std::uint8_t opacity = 255, int scale = 1);
// Copies image n's pixels as they are, alpha included, at (x, y).
bool CopyImage(Bitmap& target, ImageId n, int x, int y);

// Where an image lands when centred: (canvas - image) / 2 on each axis, divided as
// 64-bit integers truncating toward zero, so a larger image shows its middle.
Point CentredPosition(std::int64_t canvas_w, std::int64_t canvas_h, std::int64_t image_w,
                      std::int64_t image_h);

// Fills the whole canvas with `fill`, then draws image n centred on it, blended by
// its alpha, at the canvas's density. False when drawing on the canvas cannot start; an empty
// number leaves just the fill.
bool DrawImageCentred(ControlId canvas, ImageId n, Rgb fill);

}  // namespace sp
