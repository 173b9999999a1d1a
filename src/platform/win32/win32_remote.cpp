// The desktop's remote control has no Windows counterpart in this program: nothing is
// offered, so the desktop never sees the player and never asks for its cover file.
#include "platform/remote_control.h"

namespace sp::remote {

void Start(const Setup&) {}

bool Ready() {
  return false;
}

void PublishTrack(const Track&) {}

void PublishPlayback(Playback) {}

}  // namespace sp::remote
