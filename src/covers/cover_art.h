// Choosing, fetching and installing the cover of the song on air.
#pragma once

namespace sp {

// Watcher thread, after each song change.
void UpdateCoverArt();

}  // namespace sp
