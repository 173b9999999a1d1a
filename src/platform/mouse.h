// Turns raw pointer input on a canvas into the program's canvas events: one
// MouseEnter per entry, MouseMove while inside, MouseLeave, LeftButtonDown on every
// press (a double click gives two), LeftClick on a release over the canvas that was
// pressed. GUI thread; the backend feeds it.
#pragma once

#include "platform/ids.h"

namespace sp::mouse {

void PointerMoved(ControlId canvas);
void PointerLeft(ControlId canvas);
void LeftPressed(ControlId canvas);
void LeftReleased(ControlId canvas, bool over_canvas);
// A whole click, press and release over the canvas: what pressing a button from the
// keyboard or through assistive technology does, so it can do nothing a click cannot.
void Click(ControlId canvas);

}  // namespace sp::mouse
