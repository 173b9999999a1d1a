// The now-playing panel: artist, title and album of the song on air.
#pragma once

#include "platform/events.h"

namespace sp {

// Handler of all events of NowPlayingPanel; acts on RedrawRequest only.
void OnNowPlayingPanel(const Event& event);

}  // namespace sp
