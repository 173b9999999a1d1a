// libFuzzer target: arbitrary bytes through DecodeImageFromMemory at both depths.
// Nothing may crash, leak or take more memory than the size limit allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "covers/image_decode.h"
#include "platform/image_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sp;
  for (int depth : {24, 32}) {
    const ImageId n = DecodeImageFromMemory(kAllocateImage, data, size, depth);
    if (n == ImageId::None) continue;
    const auto image = images::Get(n);
    if (!image || !ImageSizeAllowed(image->width(), image->height()) ||
        image->bitmap.pixels.size() != std::size_t(image->width()) * image->height()) {
      std::abort();  // a decoded image must be whole and within the limit
    }
    for (Pixel p : image->bitmap.pixels) {
      // Premultiplied: no colour above its alpha; depth 24 is opaque.
      const std::uint32_t a = p >> 24;
      if ((depth == 24 && a != 255) || ((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a ||
          (p & 0xFF) > a) {
        std::abort();
      }
    }
    // Small pictures go through the smooth scaling as the covers do.
    if (std::int64_t(image->width()) * image->height() <= 1 << 20) images::Scale(n, 17, 13);
    images::Release(n);
  }
  return 0;
}
