// Build-time generator of the program's icons for a desktop's icon theme: the logo at
// each size, drawn several times larger and averaged down, so that the small sizes
// stay smooth where the lettering is finer than a pixel.
//   make_app_icons FOLDER SIZE...   writes FOLDER/SIZE.png for each size
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "covers/art/logo_art.h"
#include "covers/art/png_writer.h"

namespace {

using sp::art::Bytes;

// Every output pixel is drawn from at least this many pixels across.
constexpr int kDrawnSide = 1024;

// Averages each factor x factor block of a straight-alpha RGBA picture, weighting the
// colours by their alpha so transparent pixels add no colour of their own.
Bytes AverageDown(const Bytes& big, int size, int factor) {
  const int big_side = size * factor;
  Bytes out(std::size_t(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double sum[4] = {0, 0, 0, 0};
      for (int dy = 0; dy < factor; ++dy) {
        for (int dx = 0; dx < factor; ++dx) {
          const std::uint8_t* p =
              &big[(std::size_t(y * factor + dy) * big_side + std::size_t(x * factor + dx)) * 4];
          const double a = p[3] / 255.0;
          for (int c = 0; c < 3; ++c) sum[c] += p[c] * a;
          sum[3] += a;
        }
      }
      std::uint8_t* o = &out[(std::size_t(y) * size + x) * 4];
      const double n = double(factor) * factor;
      for (int c = 0; c < 3; ++c)
        o[c] = sum[3] > 0 ? std::uint8_t(std::lround(sum[c] / sum[3])) : 255;
      o[3] = std::uint8_t(std::lround(255 * sum[3] / n));
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 1 || size > 4096) {
      std::fprintf(stderr, "bad size %s\n", argv[i]);
      return 2;
    }
    const int factor = std::max(2, (kDrawnSide + size - 1) / size);
    const Bytes rgba = AverageDown(sp::art::LogoRgba(size * factor), size, factor);
    const Bytes png = sp::art::WriteRgbaPng(size, size, rgba);
    const std::string path = folder + "/" + std::to_string(size) + ".png";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
