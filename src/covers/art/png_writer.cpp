// PNG chunks, filtering and deflate (zlib) for the picture generator.
#include "covers/art/png_writer.h"

#include <zlib.h>

#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace sp::art {
namespace {

void Put32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void Chunk(Bytes& png, std::string_view type, const Bytes& data) {
  Put32(png, std::uint32_t(data.size()));
  Bytes body(type.begin(), type.end());
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Put32(png, std::uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

Bytes Header(int width, int height, int bit_depth, int colour_type) {
  Bytes ihdr;
  Put32(ihdr, std::uint32_t(width));
  Put32(ihdr, std::uint32_t(height));
  ihdr.insert(ihdr.end(), {std::uint8_t(bit_depth), std::uint8_t(colour_type), 0, 0, 0});
  return ihdr;
}

Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, raw.data(), uLong(raw.size()), 9) != Z_OK)
    throw std::runtime_error("deflate failed");
  out.resize(size);
  return out;
}

Bytes Finish(const Bytes& ihdr, const std::vector<std::pair<std::string_view, Bytes>>& extra,
             const Bytes& raw) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Chunk(png, "IHDR", ihdr);
  for (const auto& [type, data] : extra) Chunk(png, type, data);
  Chunk(png, "IDAT", Deflate(raw));
  Chunk(png, "IEND", {});
  return png;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// One filtered row, choosing the filter with the smallest sum of magnitudes, the
// usual heuristic for photos and smooth artwork.
void FilterRow(Bytes& raw, const std::uint8_t* row, const std::uint8_t* prev, int length, int bpp) {
  Bytes best;
  long best_cost = -1;
  for (int f = 0; f <= 4; ++f) {
    Bytes line(std::size_t(length) + 1);
    line[0] = std::uint8_t(f);
    long cost = 0;
    for (int i = 0; i < length; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, b = prev ? prev[i] : 0;
      const int c = prev && i >= bpp ? prev[i - bpp] : 0;
      const int pred = f == 0 ? 0 : f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) / 2 : Paeth(a, b, c);
      const auto v = std::uint8_t(row[i] - pred);
      line[std::size_t(i) + 1] = v;
      cost += v < 128 ? v : 256 - v;
    }
    if (best_cost < 0 || cost < best_cost) {
      best_cost = cost;
      best = std::move(line);
    }
  }
  raw.insert(raw.end(), best.begin(), best.end());
}

}  // namespace

Bytes WritePalettePng(int width, int height, const std::vector<PaletteEntry>& palette,
                      const std::vector<std::uint8_t>& indices) {
  Bytes plte, trns, raw;
  for (const PaletteEntry& e : palette) {
    plte.insert(plte.end(), {e.r, e.g, e.b});
    trns.push_back(e.a);
  }
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // small rows: no filter compresses best
    for (int x = 0; x < width; x += 2) {
      const std::size_t i = std::size_t(y) * width + x;
      const int hi = indices[i] & 0xF, lo = x + 1 < width ? indices[i + 1] & 0xF : 0;
      raw.push_back(std::uint8_t(hi << 4 | lo));
    }
  }
  return Finish(Header(width, height, 4, 3), {{"PLTE", plte}, {"tRNS", trns}}, raw);
}

Bytes WriteRgbaPng(int width, int height, const Bytes& rgba) {
  Bytes raw;
  const int stride = width * 4;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rgba.data() + std::size_t(y) * stride;
    FilterRow(raw, row, y > 0 ? row - stride : nullptr, stride, 4);
  }
  Bytes phys;
  Put32(phys, 3780);  // 96 pixels per inch, in pixels per metre
  Put32(phys, 3780);
  phys.push_back(1);
  const Bytes srgb = {0};                                        // perceptual rendering intent
  const Bytes comment = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};  // keyword, empty text
  return Finish(Header(width, height, 8, 6), {{"sRGB", srgb}, {"pHYs", phys}, {"tEXt", comment}},
                raw);
}

}  // namespace sp::art
