// Picture data for tests: encoded samples, hand-made headers and scratch files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/pixels.h"

namespace sp::samples {

using Bytes = std::vector<std::uint8_t>;

// A well-formed PNG (valid checksums) whose header declares width x height but whose
// data holds almost nothing: what a hostile server would send to exhaust memory.
Bytes PngDeclaring(std::uint32_t width, std::uint32_t height);
// A GIF and a BMP whose headers declare width x height.
Bytes GifDeclaring(std::uint16_t width, std::uint16_t height);
Bytes BmpDeclaring(std::int32_t width, std::int32_t height);
// A real encoded picture of `bitmap` (PNG keeps the alpha when alpha is true).
Bytes Png(const Bitmap& bitmap, bool alpha);
Bytes Jpeg(const Bitmap& bitmap);
// An uncompressed 24-bit BMP of `bitmap` (whose pixels must be opaque).
Bytes Bmp(const Bitmap& bitmap);
Bytes Text(const std::string& text);

// A file in a fresh scratch folder, removed with the folder when the tests end.
std::string WriteFile(const std::string& name, const Bytes& data);
std::string ScratchFolder();

}  // namespace sp::samples
