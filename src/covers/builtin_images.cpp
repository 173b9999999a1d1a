// Decodes the pictures compiled into the program into their fixed image numbers.
#include "covers/builtin_images.h"

#include "covers/builtin_pictures.h"
#include "covers/image_decode.h"
#include "platform/image_store.h"

namespace sp {
namespace {

// The logo is large (1600 x 1600) and decoding it costs far more than copying its
// pixels: decoded once, each size is scaled from its own copy of the full-size pixels,
// so every one is still resampled once from the original.
void LoadLogo() {
  if (DecodeImageFromMemory(ImageId::DefaultCoverLarge, LogoPng.data(), LogoPng.size(), 32) ==
      ImageId::None)
    return;
  images::Copy(ImageId::DefaultCoverLarge, ImageId::DefaultCoverHover);
  images::Copy(ImageId::DefaultCoverLarge, ImageId::DefaultCoverThumb);
  images::Scale(ImageId::DefaultCoverLarge, 300, 300);
  images::Scale(ImageId::DefaultCoverHover, 220, 220);
  images::Scale(ImageId::DefaultCoverThumb, 168, 168);
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
