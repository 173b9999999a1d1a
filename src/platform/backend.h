// The few things the neutral control code asks of a backend.
#pragma once

#include "platform/controls.h"
#include "platform/ui.h"

namespace sp::backend {

// Creates the native widget that shows a control's picture (and, for a canvas,
// delivers its pointer input to sp::mouse). Pixel size already scaled.
bool AddControlWidget(const ui::ControlSpec& desc, ControlKind kind, int width_px, int height_px);
// Tells the platform's accessibility interface and keyboard handling what a control is.
// `announce`: a live label's text changed, to be read out now.
void DescribeControlWidget(ControlId id, const AccessInfo& info, bool announce);

}  // namespace sp::backend
