// The background thread that follows the song on air: it keeps the service's clock,
// fetches the song when the one on air is over, publishes changes to the GUI thread
// and keeps the "Time Left" countdown current.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/events.h"
#include "station/api_records.h"
#include "station/api_time.h"
#include "station/current_song.h"

namespace sp {

// Seconds the audio stream runs behind the API; set once at start-up.
inline std::int64_t StreamLag = 0;

// What the watcher needs from the world, passed in so tests can drive it pass by pass.
struct SongWatcherDeps {
  std::string station;
  std::int64_t stream_lag = 42;
  std::function<TimeValue()> server_time;
  std::function<bool(const std::string& station, api_current_song& record)> fetch_song;
  std::function<void()> update_cover_art;
  std::function<bool(Event event)> post;  // to the GUI thread
};

// The watcher's decisions, without the thread. Watcher thread only.
class SongWatcher {
 public:
  SongWatcher(SharedSong& current, SongWatcherDeps deps)
      : current_(current), deps_(std::move(deps)) {}

  // Reads the clock once before the first pass.
  void Begin();
  // One pass: exactly one API request, then the countdown. No sleeping.
  void Pass();
  // One fetch of the song and, when artist, album or title differ, its publication.
  void RefreshCurrentSong();
  // Posts the countdown for `now` when its text changed.
  void PostCountdown(TimeValue now);

  TimeValue now() const { return now_; }

 private:
  SharedSong& current_;
  SongWatcherDeps deps_;
  TimeValue now_ = kNoTime;
  std::string last_countdown_;
};

// The program's own dependencies: the station API, the cover matcher, sp::Post.
SongWatcherDeps DefaultSongWatcherDeps();

// Where StartSongWatcher takes its dependencies from; DefaultSongWatcherDeps unless
// a test that builds the whole window supplies a station of its own.
using SongWatcherDepsProvider = SongWatcherDeps (*)();
void SetSongWatcherDepsProvider(SongWatcherDepsProvider provider);

// GUI thread. Starts the watcher thread on CurrentSong; false when it cannot be started.
bool StartSongWatcher();
// GUI thread. Asks the watcher to stop and returns at once, without waiting for
// the request it may be blocked in.
void StopSongWatcher();

}  // namespace sp
