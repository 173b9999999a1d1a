// Writes the fuzzer's seed corpus: the built-in icons and small samples of each
// common format.
#include <cstdio>
#include <fstream>
#include <string>

#include "covers/builtin_pictures.h"
#include "sample_pictures.h"

namespace {

void Write(const std::string& folder, const std::string& name, const sp::samples::Bytes& data) {
  std::ofstream out(folder + "/" + name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  using namespace sp;
  const std::string folder = argv[1];
  Bitmap pattern(12, 9, 0);
  for (int y = 0; y < pattern.height; ++y)
    for (int x = 0; x < pattern.width; ++x)
      pattern.At(x, y) =
          (x + y) % 3 == 0 ? 0x80402010u : OpaquePixel({std::uint8_t(x * 20), 90, 200});
  Write(folder, "docked.png", {DockedIconPng.begin(), DockedIconPng.end()});
  Write(folder, "undocked.png", {UndockedIconPng.begin(), UndockedIconPng.end()});
  Write(folder, "rgba.png", samples::Png(pattern, true));
  Write(folder, "rgb.png", samples::Png(pattern, false));
  Write(folder, "photo.jpg", samples::Jpeg(pattern));
  Write(folder, "plain.bmp", samples::Bmp(pattern));
  Write(folder, "tiny.gif", samples::GifDeclaring(1, 1));
  Write(folder, "huge.png", samples::PngDeclaring(100000, 100000));
  return 0;
}
