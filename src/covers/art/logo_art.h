// The station's round logo, drawn at any size as straight-alpha RGBA bytes.
#pragma once

#include "covers/art/png_writer.h"

namespace sp::art {

// size x size pixels; fully transparent outside the badge's circle.
Bytes LogoRgba(int size);

}  // namespace sp::art
