// Putting a new cover into the three slots and asking the thumbnail to redraw.
#pragma once

#include <functional>

#include "platform/events.h"
#include "platform/ids.h"

namespace sp {

// Watcher thread. Fills the slots with image `decoded` scaled smoothly to 168, 220
// and 300 pixels (stretched to the square), or with the DefaultCover images when
// `decoded` names no image, and posts one RedrawRequest to CoverThumb. `decoded`
// itself is left to the caller.
void InstallCover(ImageId decoded, const std::function<bool(Event)>& post);

}  // namespace sp
