// The hand-drawn SUBSCRIBE, minimise and close buttons of the title strip.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/events.h"
#include "platform/ids.h"

namespace sp {

struct ButtonState {
  std::int64_t control = 0;
  ImageId normal_face = ImageId::None;
  ImageId highlighted_face = ImageId::None;
};

// Keyed by the button's control number as decimal text. GUI thread only.
using ButtonStateMap = std::unordered_map<std::string, ButtonState>;
ButtonStateMap& ButtonStates();
void CreateButtonStates();

void DrawSubscribeButton();
void DrawMinimizeButton();
void DrawCloseButton();

void OnTitleButton(const Event& event);

}  // namespace sp
