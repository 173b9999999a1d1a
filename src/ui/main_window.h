// The main window: title strip with its buttons, borders, cover thumbnail,
// now-playing panel, the "Time Left" line and the player.
#pragma once

#include "platform/events.h"

namespace sp {

// Builds and shows the main window, binds the handlers, starts the watcher and
// installs the window hook. Ends the program when the window cannot be created.
int OpenMainWindow();

// Hands AppEvent texts from the watcher to their controls.
void OnAppEvent(const Event& event);

}  // namespace sp
