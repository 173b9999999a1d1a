// Whether PNG and JPEG data reach their end marker. Their loaders accept a picture
// cut short and fill in the rest, so completeness is checked on the data itself.
#pragma once

#include <cstdint>
#include <span>

namespace sp::pictures {

// True when the chunks of a PNG can be followed, each whole, up to IEND.
bool PngReachesEnd(std::span<const std::uint8_t> data);
// True when the segments of a JPEG can be followed, each whole, up to EOI.
bool JpegReachesEnd(std::span<const std::uint8_t> data);

}  // namespace sp::pictures
