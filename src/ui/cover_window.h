// The cover window (the cover at 300 x 300 under a caption strip with the dock
// toggle) and the cover thumbnail of the main window that opens it.
#pragma once

#include <string>

#include "platform/events.h"

namespace sp {

// Builds the hidden cover window and its controls. GUI thread, once, after the main
// window exists.
void BuildCoverWindow();

// Shows the cover window beside the main window (docked) or where it was closed,
// and marks it open. Also moves an open one the same way.
void OpenCoverWindow();

// Tells assistive technology that the thumbnail opens the cover of `album`.
void DescribeCoverThumb(const std::string& album);

// Handlers of all events of CoverThumb, CoverPicture and DockToggle. GUI thread.
void OnCoverThumb(const Event& event);
void OnCoverPicture(const Event& event);
void OnDockToggle(const Event& event);

}  // namespace sp
