// Test support: the windows start the watcher; this station never answers and nothing
// touches the network.
#pragma once

#include "station/song_watcher.h"

namespace sp::test {

inline SongWatcherDeps QuietStation() {
  SongWatcherDeps deps;
  deps.server_time = [] { return kNoTime; };
  deps.fetch_song = [](const std::string&, api_current_song&) { return false; };
  deps.update_cover_art = [] {};
  deps.post = [](Event) { return false; };
  return deps;
}

}  // namespace sp::test
