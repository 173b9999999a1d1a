// Signatures and the chunk and segment structure only; the pixels are the loader's
// business.
#include "platform/picture_format.h"

#include <cstring>

namespace sp::pictures {
namespace {

std::uint64_t Be32(const std::uint8_t* p) {
  return std::uint64_t(p[0]) << 24 | std::uint64_t(p[1]) << 16 | std::uint64_t(p[2]) << 8 | p[3];
}

bool StandAlone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);  // TEM, RST0..7
}

bool StartsWith(std::span<const std::uint8_t> data, const char* magic, std::size_t length,
                std::size_t at = 0) {
  return data.size() >= at + length && std::memcmp(data.data() + at, magic, length) == 0;
}

}  // namespace

Kind Sniff(std::span<const std::uint8_t> data) {
  if (StartsWith(data, "\x89PNG\r\n\x1A\n", 8)) return Kind::Png;
  if (StartsWith(data, "\xFF\xD8\xFF", 3)) return Kind::Jpeg;
  if (StartsWith(data, "GIF87a", 6) || StartsWith(data, "GIF89a", 6)) return Kind::Gif;
  if (StartsWith(data, "II*\0", 4) || StartsWith(data, "MM\0*", 4)) return Kind::Tiff;
  if (StartsWith(data, "RIFF", 4) && StartsWith(data, "WEBP", 4, 8)) return Kind::Webp;
  if (StartsWith(data, "BM", 2) && data.size() >= 18) {
    // The loaders reserve what this field says before reading on.
    const std::uint32_t header =
        data[14] | data[15] << 8 | data[16] << 16 | std::uint32_t(data[17]) << 24;
    for (std::uint32_t known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
      if (header == known) return Kind::Bmp;
  }
  return Kind::Unknown;
}

const char* LoaderName(Kind kind) {
  switch (kind) {
    case Kind::Png:
      return "png";
    case Kind::Jpeg:
      return "jpeg";
    case Kind::Gif:
      return "gif";
    case Kind::Bmp:
      return "bmp";
    case Kind::Tiff:
      return "tiff";
    case Kind::Webp:
      return "webp";
    case Kind::Unknown:
      break;
  }
  return nullptr;
}

bool PngReachesEnd(std::span<const std::uint8_t> data) {
  const std::uint64_t n = data.size();
  std::uint64_t pos = 8;  // the signature
  while (pos + 12 <= n) {
    const std::uint8_t* chunk = data.data() + pos;
    const std::uint64_t end = pos + 12 + Be32(chunk);  // length, type, data, checksum
    if (end > n) return false;
    if (std::memcmp(chunk + 4, "IEND", 4) == 0) return true;
    pos = end;
  }
  return false;
}

bool JpegReachesEnd(std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  const std::uint8_t* d = data.data();
  if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return false;
  std::size_t pos = 2;
  while (pos < n) {
    // Stray bytes before a marker are tolerated, as decoders do.
    while (pos < n && d[pos] != 0xFF) ++pos;
    while (pos < n && d[pos] == 0xFF) ++pos;  // fill bytes
    if (pos >= n) return false;
    const std::uint8_t marker = d[pos++];
    if (marker == 0xD9) return true;
    if (marker == 0x00 || StandAlone(marker)) continue;
    if (pos + 2 > n) return false;
    const std::size_t length = std::size_t(d[pos]) << 8 | d[pos + 1];
    if (length < 2 || pos + length > n) return false;
    pos += length;
    if (marker != 0xDA) continue;
    // Entropy-coded data follows a scan header: it runs to the next marker that is
    // neither a stuffed 0xFF00 nor a restart marker.
    for (; pos + 1 < n; ++pos) {
      if (d[pos] == 0xFF && d[pos + 1] != 0x00 && !StandAlone(d[pos + 1]) && d[pos + 1] != 0xFF)
        break;
    }
    if (pos + 1 >= n) return false;
  }
  return false;
}

}  // namespace sp::pictures
