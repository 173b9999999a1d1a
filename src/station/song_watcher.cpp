// Placeholder until the watcher exists: nothing follows the station yet.
#include "station/song_watcher.h"

namespace sp {

bool StartSongWatcher() {
  return false;
}
void StopSongWatcher() {}

}  // namespace sp
