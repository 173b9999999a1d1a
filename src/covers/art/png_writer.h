// A small PNG writer for the built-in pictures: 4-bit palette with transparency, and
// 8-bit RGBA. Part of the build-time picture generator, not of the program.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sp::art {

using Bytes = std::vector<std::uint8_t>;

struct PaletteEntry {
  std::uint8_t r, g, b, a;
};

// width x height palette indices (0..15), row by row.
Bytes WritePalettePng(int width, int height, const std::vector<PaletteEntry>& palette,
                      const std::vector<std::uint8_t>& indices);

// width x height straight-alpha RGBA bytes, row by row. Carries an sRGB chunk, a
// physical pixel size of 96 per inch and an empty comment.
Bytes WriteRgbaPng(int width, int height, const Bytes& rgba);

}  // namespace sp::art
