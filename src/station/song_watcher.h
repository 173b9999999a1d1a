// The background thread that follows the song on air.
#pragma once

#include <cstdint>

namespace sp {

// Seconds the audio stream runs behind the API; set once at start-up.
inline std::int64_t StreamLag = 0;

// GUI thread. Starts the watcher thread; false when it cannot be started.
bool StartSongWatcher();
// GUI thread. Asks the watcher to stop and returns at once, without waiting for
// the request it may be blocked in.
void StopSongWatcher();

}  // namespace sp
