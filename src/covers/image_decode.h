// Picture data and picture files into numbered images of the image store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ids.h"

namespace sp {

// Decodes the picture at data (length bytes, only read) into image `number`, or a
// newly allocated number for kAllocateImage, at depth 32 (alpha kept) or 24.
// A number in use is replaced. Returns the image's number, or ImageId::None when the
// picture could not be decoded; then nothing is created and no number allocated.
// Any thread.
ImageId DecodeImageFromMemory(ImageId number, const std::uint8_t* data, std::size_t length,
                              int depth);
// The same for a local picture file.
ImageId DecodeImageFromFile(ImageId number, const std::string& path, int depth);

}  // namespace sp
