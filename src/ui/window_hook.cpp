#include "ui/window_hook.h"

#include "app/app_data.h"

namespace sp {
namespace {

// The top 21 rows of a window are its drag strip.
constexpr std::int64_t kStripBottom = 20;

void StartStripMove(WindowId window, std::int64_t strip_width) {
  const auto p = ui::PointerInClient(window);
  if (p && p->x >= 0 && p->x <= strip_width && p->y >= 0 && p->y <= kStripBottom)
    ui::BeginWindowMove(window);
}

}  // namespace

void WindowHook(WindowId window, ui::WindowMessage message) {
  if (message == ui::WindowMessage::LeftButtonDown) {
    if (window == WindowId::Main) StartStripMove(window, kMainWindowWidth);
    return;
  }
  if (window == WindowId::Main) {
    // A minimised window may be parked out of sight; keep where it was last shown.
    if (ui::IsWindowMinimized(window)) return;
    if (const auto pos = ui::WindowPosition(window)) {
      AppData.WindowX = pos->x;
      AppData.WindowY = pos->y;
    }
  }
}

}  // namespace sp
