// Sample pictures for the picture tests, encoded through the platform.
#include "sample_pictures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

#include "platform/image_store.h"
#include "platform/pictures.h"

namespace sp::samples {
namespace {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Be32(Bytes& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(v >> s));
}
void Le16(Bytes& out, std::uint32_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void Le32(Bytes& out, std::uint32_t v) {
  Le16(out, v & 0xFFFF);
  Le16(out, v >> 16);
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
  Be32(png, std::uint32_t(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Be32(png, Crc32(body.data(), body.size()));
}

Bytes Encoded(const Bitmap& bitmap, int depth, pictures::Format format) {
  Image image;
  image.depth = depth;
  image.bitmap = bitmap;
  auto data = pictures::Encode(image, format);
  if (!data) throw std::runtime_error("cannot encode a sample picture");
  return *data;
}

Bytes BmpHeader(std::int32_t width, std::int32_t height, std::uint32_t pixel_bytes) {
  Bytes bmp = {'B', 'M'};
  Le32(bmp, 14 + 40 + pixel_bytes);  // file size
  Le32(bmp, 0);
  Le32(bmp, 14 + 40);  // pixel data offset
  Le32(bmp, 40);       // BITMAPINFOHEADER
  Le32(bmp, std::uint32_t(width));
  Le32(bmp, std::uint32_t(height));
  Le16(bmp, 1);   // planes
  Le16(bmp, 24);  // bits per pixel
  for (int i = 0; i < 6; ++i) Le32(bmp, 0);
  return bmp;
}

}  // namespace

Bytes PngDeclaring(std::uint32_t width, std::uint32_t height) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Be32(ihdr, width);
  Be32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
  Chunk(png, "IHDR", ihdr);
  // A zlib stream holding a single zero byte: far too little for the size declared.
  Chunk(png, "IDAT", {0x78, 0x01, 0x01, 0x01, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x01});
  Chunk(png, "IEND", {});
  return png;
}

Bytes GifDeclaring(std::uint16_t width, std::uint16_t height) {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
  Le16(gif, width);
  Le16(gif, height);
  gif.insert(gif.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});  // two-colour table
  gif.push_back(0x2C);                                          // image descriptor
  Le16(gif, 0);
  Le16(gif, 0);
  Le16(gif, width);
  Le16(gif, height);
  gif.insert(gif.end(), {0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B});
  return gif;
}

Bytes BmpDeclaring(std::int32_t width, std::int32_t height) {
  Bytes bmp = BmpHeader(width, height, 4);
  Le32(bmp, 0);  // four bytes of pixels
  return bmp;
}

Bytes Bmp(const Bitmap& bitmap) {
  const std::uint32_t stride = (std::uint32_t(bitmap.width) * 3 + 3) / 4 * 4;
  Bytes bmp = BmpHeader(bitmap.width, bitmap.height, stride * bitmap.height);
  for (int y = bitmap.height - 1; y >= 0; --y) {  // bottom row first
    for (int x = 0; x < bitmap.width; ++x) {
      const Rgb c = RgbOf(bitmap.At(x, y));
      bmp.insert(bmp.end(), {c.b, c.g, c.r});
    }
    bmp.resize(bmp.size() + stride - bitmap.width * 3, 0);
  }
  return bmp;
}

Bytes Png(const Bitmap& bitmap, bool alpha) {
  return Encoded(bitmap, alpha ? 32 : 24, pictures::Format::Png);
}
Bytes Jpeg(const Bitmap& bitmap) {
  return Encoded(bitmap, 24, pictures::Format::Jpeg);
}
Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::string ScratchFolder() {
  // Removed with everything in it when the tests end.
  struct Folder {
    std::string path;
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  // create_directory is false for a name already taken, so the folder is ours alone.
  static const Folder folder = [] {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const auto path =
          std::filesystem::temp_directory_path() / ("sp-pictures-" + std::to_string(random()));
      if (std::filesystem::create_directory(path)) return Folder{path.string()};
    }
    throw std::runtime_error("no scratch folder");
  }();
  return folder.path;
}

std::string WriteFile(const std::string& name, const Bytes& data) {
  const std::string path = ScratchFolder() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

}  // namespace sp::samples
