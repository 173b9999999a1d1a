// Walks the chunk and segment structure only; the pixels are the loader's business.
#include "platform/picture_ends.h"

#include <cstring>

namespace sp::pictures {
namespace {

std::uint64_t Be32(const std::uint8_t* p) {
  return std::uint64_t(p[0]) << 24 | std::uint64_t(p[1]) << 16 | std::uint64_t(p[2]) << 8 | p[3];
}

bool StandAlone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);  // TEM, RST0..7
}

}  // namespace

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
