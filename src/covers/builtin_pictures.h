// The pictures compiled into the program, as their encoded PNG data. Each carries a
// few zero bytes after the PNG's end (4, 4 and 1), which the decoder ignores.
#pragma once

#include <cstdint>
#include <span>

namespace sp {

extern const std::span<const std::uint8_t> DockedIconPng;    // 16 x 16, palette
extern const std::span<const std::uint8_t> UndockedIconPng;  // 16 x 16, palette
extern const std::span<const std::uint8_t> LogoPng;          // 1600 x 1600 RGBA

}  // namespace sp
