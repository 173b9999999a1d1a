// Sees every move, size and left press of the program's windows: keeps the stored
// positions current, moves the partner of a docked, open cover window along, and
// starts a move when a window's top strip is pressed.
#pragma once

#include "platform/geometry.h"
#include "platform/ui.h"

namespace sp {

void WindowHook(WindowId window, ui::WindowMessage message);

// Moves a window as the program's own step (opening the cover window, start-up):
// the hook takes the window's report of this move for an echo, not for a lead.
void PlaceWindow(WindowId window, Point to);

// Forgets the moves asked for and not yet reported (a new window pair, tests).
void ResetWindowHook();

}  // namespace sp
