// Sees every move, size and left press of the program's windows: keeps the
// stored positions current and starts a move when a title strip is dragged.
#pragma once

#include "platform/ui.h"

namespace sp {

void WindowHook(WindowId window, ui::WindowMessage message);

}  // namespace sp
