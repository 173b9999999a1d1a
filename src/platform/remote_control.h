// The desktop's remote control of the player: media keys, the sound menu and the lock
// screen. The program publishes what is on air and whether it plays; the desktop sends
// commands back. One backend per platform; GUI thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sp::remote {

enum class Command { Play, Pause, PlayPause, Stop, Raise, Quit };
enum class Playback { Stopped, Playing, Paused };

// The song on air as the desktop shows it.
struct Track {
  std::uint64_t serial = 0;  // new for every song; 0: nothing on air
  std::string title;
  std::vector<std::string> artists;
  std::string album;
  std::optional<std::int64_t> length_us;
  std::string art_url;  // a file:// URL, or empty

  friend bool operator==(const Track&, const Track&) = default;
};

struct Setup {
  std::string identity;       // the name the desktop shows
  std::string desktop_entry;  // the launcher's id, without ".desktop"; also names songs
  std::string player_name;    // unique among the desktop's players, e.g. the program's name
  // Each runs on the GUI thread. A command arrives after the desktop has its answer,
  // so the handler may end the process.
  void (*on_command)(Command) = nullptr;
  // Once, when the desktop can see the player.
  void (*on_ready)() = nullptr;
  // How far into the song the stream is, in microseconds.
  std::int64_t (*position_us)() = nullptr;
};

// Offers the remote control to the desktop and returns at once. Without a place for it
// (no session bus), or when another instance holds it, nothing happens and nothing is
// said: the program runs as it would without.
void Start(const Setup& setup);
// Whether the desktop can see the player now.
bool Ready();
// Each replaces what the desktop shows and tells it about the change.
void PublishTrack(const Track& track);
void PublishPlayback(Playback playback);

// The object path naming a song: the application id's parts as path elements, then
// "Track" and the serial ("fm.example.Player", 7 gives "/fm/example/Player/Track/7").
// Characters a path cannot hold become "_". Empty for serial 0.
std::string TrackObjectPath(std::string_view app_id, std::uint64_t serial);

}  // namespace sp::remote
