// The one store of numbered images. Any thread may create, copy, scale and release;
// one lock guards the table. Look-ups hand out shared ownership, so an image being
// drawn on the GUI thread stays valid while the watcher replaces it.
#pragma once

#include <memory>
#include <vector>

#include "platform/ids.h"
#include "platform/pixels.h"

namespace sp {

struct Image {
  int depth = 24;  // 24: alpha ignored (always opaque); 32: per-pixel alpha
  Bitmap bitmap;
  // Screen pixels per drawing pixel the image was drawn for: a picture made for a
  // scaled screen is shown there as it is.
  int density = 1;
  int width() const { return bitmap.width; }
  int height() const { return bitmap.height; }
};

// Sizes beyond these are refused before any memory is taken, so no picture from
// outside can exhaust memory.
inline constexpr int kMaxImageSide = 8192;
inline constexpr long long kMaxImagePixels = 16LL * 1024 * 1024;  // 64 MiB at 4 bytes a pixel
inline constexpr bool ImageSizeAllowed(long long width, long long height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

// Keeps a -65535 dimension as it is (see ScaleImage).
inline constexpr int kKeepDimension = -65535;

namespace images {

// A black image (opaque at depth 32); any depth but 32 gives 24. n = kAllocateImage
// allocates a number. Returns the number (n itself when given), ImageId::None on failure.
ImageId Create(ImageId n, int width, int height, int depth);
// Puts a finished image under n (or a new number), releasing what n named before.
ImageId Install(ImageId n, Image image);
bool Exists(ImageId n);
void Release(ImageId n);
void ReleaseAll();
// A new image with its own copy of the pixels.
ImageId Copy(ImageId source, ImageId target = kAllocateImage);
// Replaces the bitmap with a scaled one; kKeepDimension keeps that side.
bool Scale(ImageId n, int width, int height, bool smooth = true);
// Shared ownership for drawing; null when n names no image.
std::shared_ptr<const Image> Get(ImageId n);
// For drawing on an image (the title-button faces). GUI thread, on images it owns.
std::shared_ptr<Image> GetMutable(ImageId n);
int Width(ImageId n);
int Height(ImageId n);
// Every number that names an image, in increasing order. For tests.
std::vector<ImageId> Numbers();

}  // namespace images

// Smooth resampling: area averaging when shrinking, linear interpolation when growing,
// on premultiplied pixels so the alpha channel scales with the colour.
Bitmap ScaleSmooth(const Bitmap& src, int width, int height);

}  // namespace sp
