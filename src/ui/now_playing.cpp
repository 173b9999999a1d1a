// Placeholder until the panel draws.
#include "ui/now_playing.h"

namespace sp {

void OnNowPlayingPanel(const Event&) {}

}  // namespace sp
