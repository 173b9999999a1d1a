// Decodes the pictures compiled into the program into their fixed image numbers.
#include "covers/builtin_images.h"

#include <utility>

#include "covers/builtin_pictures.h"
#include "covers/image_decode.h"
#include "platform/image_store.h"

namespace sp {
namespace {

// The logo is large (1600 x 1600): decoding it, and every fresh copy of its pixels,
// costs more than all the rest of the start-up's pictures. Decoded once, each size is
// still resampled once from the original pixels.
void LoadLogo() {
  if (DecodeImageFromMemory(ImageId::DefaultCoverLarge, LogoPng.data(), LogoPng.size(), 32) ==
      ImageId::None)
    return;
  const auto full = images::Get(ImageId::DefaultCoverLarge);
  if (!full) return;
  for (const auto& [number, size] :
       {std::pair{ImageId::DefaultCoverHover, 220}, std::pair{ImageId::DefaultCoverThumb, 168}}) {
    Image scaled;
    scaled.depth = full->depth;
    scaled.density = full->density;
    scaled.bitmap = ScaleSmooth(full->bitmap, size, size);
    images::Install(number, std::move(scaled));
  }
  images::Scale(ImageId::DefaultCoverLarge, 300, 300);
}

}  // namespace

void LoadBuiltInImages() {
  // Results are not checked: a picture that fails leaves its number empty, and
  // drawing an empty number draws nothing.
  DecodeImageFromMemory(ImageId::DockedIcon, DockedIconPng.data(), DockedIconPng.size(), 32);
  DecodeImageFromMemory(ImageId::UndockedIcon, UndockedIconPng.data(), UndockedIconPng.size(), 32);
  LoadLogo();
}

}  // namespace sp
