// The pictures built into the program: the dock icons and the station logo.
#pragma once

namespace sp {

// Decodes the built-in pictures into images 4 and 5 (icons) and 1, 3, 2 (the logo
// at 300, 220 and 168 pixels). GUI thread, once at start-up.
void LoadBuiltInImages();

}  // namespace sp
