// The dock icons: white in a few strengths on transparent, one hex digit per pixel
// naming a palette entry. The softened corners and the arrowheads' edges are the
// in-between entries.
#include "covers/art/icon_art.h"

#include <array>
#include <string_view>

namespace sp::art {
namespace {

const std::vector<PaletteEntry> kPalette = {
    {0, 0, 0, 0},         {255, 255, 255, 249}, {255, 255, 255, 135}, {255, 255, 255, 18},
    {255, 255, 255, 128}, {255, 255, 255, 127}, {255, 255, 255, 64},  {255, 255, 255, 255},
};

using Rows = std::array<std::string_view, 16>;

constexpr Rows kDocked = {
    "0000000000000000", "0000000000000000", "0000021777771200", "0000013000003100",
    "0000077777777700", "0000070000000700", "0002070000000700", "0027070000000700",
    "0677070000000700", "0057070000000700", "0004070000000700", "0000070000000700",
    "0000070000000700", "0000077777777700", "0000000000000000", "0000000000000000",
};

constexpr Rows kUndocked = {
    "0000000000000000", "0000000000000000", "0000021777771200", "0000013000003100",
    "0000077777777700", "0000070000000700", "0200070000000700", "0720070000000700",
    "0776070000000700", "0750070000000700", "0400070000000700", "0000070000000700",
    "0000070000000700", "0000077777777700", "0000000000000000", "0000000000000000",
};

Bytes Icon(const Rows& rows) {
  std::vector<std::uint8_t> indices;
  for (std::string_view row : rows)
    for (char c : row) indices.push_back(std::uint8_t(c - '0'));
  return WritePalettePng(16, 16, kPalette, indices);
}

}  // namespace

Bytes DockedIcon() {
  return Icon(kDocked);
}
Bytes UndockedIcon() {
  return Icon(kUndocked);
}

}  // namespace sp::art
