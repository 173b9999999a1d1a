#include "platform/mouse.h"

#include <map>

#include "platform/controls.h"
#include "platform/events.h"

namespace sp::mouse {
namespace {

struct Tracking {
  bool inside = false;
  bool pressed = false;
};

std::map<std::int64_t, Tracking>& States() {
  static std::map<std::int64_t, Tracking> states;
  return states;
}

void RaiseFor(ControlId canvas, EventType type) {
  const ControlState* state = controls::Find(canvas);
  if (!state) return;
  Raise(Event{EventClass::Control, Num(state->window), Num(canvas), type, {}});
}

}  // namespace

void PointerMoved(ControlId canvas) {
  Tracking& t = States()[Num(canvas)];
  if (!t.inside) {
    t.inside = true;
    RaiseFor(canvas, event_type::MouseEnter);
  } else {
    RaiseFor(canvas, event_type::MouseMove);
  }
}

void PointerLeft(ControlId canvas) {
  Tracking& t = States()[Num(canvas)];
  if (!t.inside) return;
  t.inside = false;
  RaiseFor(canvas, event_type::MouseLeave);
}

void LeftPressed(ControlId canvas) {
  States()[Num(canvas)].pressed = true;
  RaiseFor(canvas, event_type::LeftButtonDown);
}

void LeftReleased(ControlId canvas, bool over_canvas) {
  Tracking& t = States()[Num(canvas)];
  const bool click = t.pressed && over_canvas;
  t.pressed = false;
  if (click) RaiseFor(canvas, event_type::LeftClick);
}

void Click(ControlId canvas) {
  LeftPressed(canvas);
  LeftReleased(canvas, true);
}

}  // namespace sp::mouse
