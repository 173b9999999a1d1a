// The two 16 x 16 dock icons, drawn as palette tables.
#pragma once

#include "covers/art/png_writer.h"

namespace sp::art {

Bytes DockedIcon();    // window outline, arrowhead left of it pointing left
Bytes UndockedIcon();  // the same outline, arrowhead pointing right, towards it

}  // namespace sp::art
