// The cover window and the cover thumbnail of the main window.
#pragma once

#include <cstdint>

#include "platform/events.h"

namespace sp {

// Where a docked cover window stands relative to the main window.
inline constexpr std::int64_t kDockOffsetX = 731;
inline constexpr std::int64_t kDockOffsetY = -127;

// Builds the hidden cover window and its controls. GUI thread, once.
void BuildCoverWindow();

// Handler of all events of CoverThumb.
void OnCoverThumb(const Event& event);

}  // namespace sp
