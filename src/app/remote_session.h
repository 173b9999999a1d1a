// The player under the desktop's remote control (media keys, sound menu, lock screen):
// what is on air and whether it plays go out; play, pause, raise and quit come in.
#pragma once

namespace sp {

// GUI thread, once, after OpenMainWindow and before the event loop. Without a desktop
// to talk to, the program runs exactly as it would without this.
void StartRemoteSession();

}  // namespace sp
