// Decodes the pictures compiled into the program into their fixed image numbers.
#include "covers/builtin_images.h"

#include "covers/builtin_pictures.h"
#include "covers/image_decode.h"
#include "platform/image_store.h"

namespace sp {
namespace {

// Each size is scaled from its own full-size decode, so every one is resampled once
// from the original pixels.
void LoadLogo(ImageId number, int size) {
  if (DecodeImageFromMemory(number, LogoPng.data(), LogoPng.size(), 32) != ImageId::None)
    images::Scale(number, size, size);
}

}  // namespace

void LoadBuiltInImages() {
  // Results are not checked: a picture that fails leaves its number empty, and
  // drawing an empty number draws nothing.
  DecodeImageFromMemory(ImageId::DockedIcon, DockedIconPng.data(), DockedIconPng.size(), 32);
  DecodeImageFromMemory(ImageId::UndockedIcon, UndockedIconPng.data(), UndockedIconPng.size(), 32);
  LoadLogo(ImageId::DefaultCoverLarge, 300);
  LoadLogo(ImageId::DefaultCoverHover, 220);
  LoadLogo(ImageId::DefaultCoverThumb, 168);
}

}  // namespace sp
