// The three images on show as the cover. Written by the cover matcher on the
// watcher thread, read by the canvas handlers on the GUI thread.
#pragma once

#include <atomic>

#include "platform/ids.h"

namespace sp {

inline std::atomic<ImageId> ThumbCover{ImageId::DefaultCoverThumb};  // 168 x 168
inline std::atomic<ImageId> HoverCover{ImageId::DefaultCoverHover};  // 220 x 220
inline std::atomic<ImageId> LargeCover{ImageId::DefaultCoverLarge};  // 300 x 300

}  // namespace sp
