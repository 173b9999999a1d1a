// The remote control without a desktop: records what the program publishes.
#include "platform/headless/headless.h"
#include "platform/remote_control.h"

namespace sp::remote {

using headless::TheWorld;

void Start(const Setup& setup) {
  TheWorld().remote_setup = setup;
}

bool Ready() {
  return TheWorld().remote_setup && TheWorld().remote_ready;
}

void PublishTrack(const Track& track) {
  TheWorld().remote_tracks.push_back(track);
}

void PublishPlayback(Playback playback) {
  TheWorld().remote_playback.push_back(playback);
}

}  // namespace sp::remote
