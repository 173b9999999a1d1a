// Turning encoded pictures (PNG, JPEG, GIF, ...) into images and back. Implemented by
// the renderer, which needs no display; safe to call on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/image_store.h"

namespace sp::pictures {

// Files are read whole before decoding; nothing bigger is read at all.
inline constexpr std::size_t kMaxPictureFileBytes = 32u * 1024 * 1024;

// Decodes a picture in any format the platform's loader knows. Depth 32 keeps the
// picture's alpha (premultiplied); any other depth gives an opaque 24-bit image.
// Nothing when the data is no picture, is cut short or corrupt, or declares a size
// that ImageSizeAllowed refuses (checked before the pixels are allocated).
std::optional<Image> Decode(std::span<const std::uint8_t> data, int depth);
// The same for a regular file of at most kMaxPictureFileBytes.
std::optional<Image> DecodeFile(const std::string& path, int depth);

enum class Format { Png, Jpeg };
// Encodes an image (alpha kept in PNG at depth 32). For tools and benchmarks.
std::optional<std::vector<std::uint8_t>> Encode(const Image& image, Format format);

}  // namespace sp::pictures
