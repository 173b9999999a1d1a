// The media keys on Windows. Play/pause and stop reach the player wherever the focus is,
// as hot keys of the event window; a focused window of the program also takes play,
// pause, play/pause and stop from the commands the system sends it (WM_APPCOMMAND: from
// keyboards and remotes with keys of their own, or when another program holds the hot
// keys). Next and previous stay with other players: there is nothing to skip to.
// Windows' media overlay (the system media transport controls) is a WinRT interface this
// toolchain cannot reach, so nothing is published to the desktop, which thus never asks
// for a cover file either. GUI thread only.
#include "platform/remote_control.h"

#include "platform/win32/windows_api.h"

#include <string>

#include "platform/win32/win32_state.h"

namespace sp::remote {
namespace {

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

void Run(Command command) {
  if (TheSetup().on_command) TheSetup().on_command(command);
}

// Hot key numbers on the event window, by key.
struct HotKey {
  int id;
  UINT key;
  Command command;
};
constexpr HotKey kHotKeys[] = {
    {1, VK_MEDIA_PLAY_PAUSE, Command::PlayPause},
    {2, VK_MEDIA_STOP, Command::Stop},
};

}  // namespace

void Start(const Setup& setup) {
  TheSetup() = setup;
  // A key another program holds stays its own; with the focus, this program still gets
  // it as a command of the system's.
  for (const HotKey& key : kHotKeys)
    RegisterHotKey(win32ui::State().events, key.id, MOD_NOREPEAT, key.key);
}

// No desktop shows the player.
bool Ready() {
  return false;
}

void PublishTrack(const Track&) {}

void PublishPlayback([[maybe_unused]] Playback playback) {
#ifdef STATIONPLAYER_FAULTS
  // Tests read what the player would show through the debugger's channel.
  static const char* const kNames[] = {"Stopped", "Playing", "Paused"};
  OutputDebugStringA(
      (std::string("stationplayer: playback ") + kNames[int(playback)] + "\n").c_str());
#endif
}

}  // namespace sp::remote

namespace sp::win32ui {

void OnHotKey(WPARAM id) {
  for (const remote::HotKey& key : remote::kHotKeys)
    if (WPARAM(key.id) == id) remote::Run(key.command);
}

bool OnAppCommand(int command) {
  switch (command) {
    case APPCOMMAND_MEDIA_PLAY_PAUSE:
      remote::Run(remote::Command::PlayPause);
      return true;
    case APPCOMMAND_MEDIA_PLAY:
      remote::Run(remote::Command::Play);
      return true;
    case APPCOMMAND_MEDIA_PAUSE:
      remote::Run(remote::Command::Pause);
      return true;
    case APPCOMMAND_MEDIA_STOP:
      remote::Run(remote::Command::Stop);
      return true;
    default:
      return false;
  }
}

}  // namespace sp::win32ui
