// What kind of picture some data is, and whether it is whole. Only the formats that
// covers come in are handed to a loader, each to its own, so data from outside never
// reaches the rarer loaders (icons, cursors, X bitmaps, ...).
#pragma once

#include <cstdint>
#include <span>

namespace sp::pictures {

enum class Kind { Unknown, Png, Jpeg, Gif, Bmp, Tiff, Webp };

// By the signature at the start of the data. A BMP whose header claims a header
// size no BMP has is Unknown.
Kind Sniff(std::span<const std::uint8_t> data);
// The loader's name for the kind (gdk-pixbuf's type names); null for Unknown.
const char* LoaderName(Kind kind);

// True when the chunks of a PNG can be followed, each whole, up to IEND.
bool PngReachesEnd(std::span<const std::uint8_t> data);
// True when the segments of a JPEG can be followed, each whole, up to EOI.
bool JpegReachesEnd(std::span<const std::uint8_t> data);

}  // namespace sp::pictures
