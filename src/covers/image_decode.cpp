// Decoding is the platform's; this only files the result under its number.
#include "covers/image_decode.h"

#include <optional>
#include <span>
#include <utility>

#include "platform/image_store.h"
#include "platform/pictures.h"

namespace sp {
namespace {

ImageId Store(ImageId number, std::optional<Image> image) {
  if (!image) return ImageId::None;
  return images::Install(number, std::move(*image));
}

// Checked first, so no picture is decoded for a number that can never take it.
bool ValidTarget(ImageId number) {
  return number == kAllocateImage || Num(number) > 0;
}

}  // namespace

ImageId DecodeImageFromMemory(ImageId number, const std::uint8_t* data, std::size_t length,
                              int depth) {
  if (!ValidTarget(number) || data == nullptr || length == 0) return ImageId::None;
  return Store(number, pictures::Decode(std::span(data, length), depth));
}

ImageId DecodeImageFromFile(ImageId number, const std::string& path, int depth) {
  if (!ValidTarget(number)) return ImageId::None;
  return Store(number, pictures::DecodeFile(path, depth));
}

}  // namespace sp
