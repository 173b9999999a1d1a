#include "ui/window_hook.h"

#include "app/app_data.h"
#include "ui/docking.h"
#include "ui/window_follow.h"

namespace sp {
namespace {

// GUI thread only, like the hook.
WindowFollow& Follow() {
  static WindowFollow follow;
  return follow;
}

void Store(const WindowFollow::Plan& plan) {
  if (plan.main) {
    AppData.WindowX = plan.main->x;
    AppData.WindowY = plan.main->y;
  }
  if (plan.cover) {
    AppData.cWinX = plan.cover->x;
    AppData.cWinY = plan.cover->y;
  }
}

void StoreCoverPosition() {
  if (const auto pos = ui::WindowPosition(WindowId::Cover)) {
    AppData.cWinX = pos->x;
    AppData.cWinY = pos->y;
  }
}

void PressedInWindow(WindowId window) {
  if (!InDragStrip(window, ui::PointerInClient(window))) return;
  Follow().Released(window);
  ui::BeginWindowMove(window);
  // Where a system move blocks until the button is released, this records the
  // final place; elsewhere the move reports keep it current.
  if (window == WindowId::Cover) StoreCoverPosition();
}

void WindowMoved(WindowId window, bool size) {
  const auto position = ui::WindowPosition(window);
  if (!position) return;
  const WindowId partner = window == WindowId::Main ? WindowId::Cover : WindowId::Main;
  const WindowFollow::Plan plan =
      Follow().Moved({window, *position, size},
                     {AppData.cWindDock == 1 && AppData.cWinOpen == 1,
                      ui::IsWindowMinimized(WindowId::Main), ui::WindowPosition(partner)});
  Store(plan);
  // Stored first: the partner's report may arrive from inside this move.
  if (plan.move) ui::MoveWindow(plan.move->window, plan.move->to.x, plan.move->to.y);
}

}  // namespace

void WindowHook(WindowId window, ui::WindowMessage message) {
  if (window != WindowId::Main && window != WindowId::Cover) return;
  switch (message) {
    case ui::WindowMessage::LeftButtonDown:
      PressedInWindow(window);
      break;
    case ui::WindowMessage::Move:
      WindowMoved(window, false);
      break;
    case ui::WindowMessage::Size:
      WindowMoved(window, true);
      break;
  }
}

void PlaceWindow(WindowId window, Point to) {
  Follow().Sent(window, to);
  ui::MoveWindow(window, to.x, to.y);
}

void ResetWindowHook() {
  Follow().Clear();
}

}  // namespace sp
