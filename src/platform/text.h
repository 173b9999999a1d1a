// Fonts and text drawing into bitmaps. Implemented by the renderer (Pango over cairo),
// which needs no display.
#pragma once

#include <string>
#include <string_view>

#include "platform/ids.h"
#include "platform/pixels.h"

namespace sp::text {

// Creates font n (a fixed number) from a face name and a pixel height (the
// character height, not the cell). Returns false when the font cannot be made.
bool CreateFont(FontId n, const std::string& face, int pixel_height);
// Sets the default control font, the one FontId::Default stands for.
void SetDefaultFont(const std::string& description);
bool FontExists(FontId n);
void ReleaseFonts();

struct Extent {
  int width = 0, height = 0;
};
// Size of one line of text in font n (the default font when n names none).
Extent Measure(FontId n, std::string_view utf8);
// Draws one line with its top-left corner at (x, y), glyphs only; cut at the edges.
// On a target `scale` times denser than the drawing, position and size are
// multiplied and the glyphs rendered at the target's own pixels.
void Draw(Bitmap& target, FontId n, int x, int y, std::string_view utf8, Rgb colour, int scale = 1);

}  // namespace sp::text
