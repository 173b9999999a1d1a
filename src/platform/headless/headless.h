// A backend without a display, for tests: windows and controls are records that a
// test can inspect; input is fed by calling sp::mouse and the hook directly.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace sp::headless {

struct WindowRecord {
  ui::WindowSpec desc;
  Point position;
  bool visible = false;
  bool minimized = false;
};

// Thrown by ui::EndProcess so a test can watch the program end.
struct ProcessEnded {};

struct World {
  std::map<std::int64_t, WindowRecord> windows;
  std::map<std::int64_t, ui::ControlSpec> control_specs;
  std::map<std::int64_t, std::string> web_pages;
  std::map<std::int64_t, int> repaints;
  std::vector<std::string> opened_urls;
  std::vector<std::string> message_boxes;  // title + "|" + text
  std::optional<Point> pointer;            // in the client area of any window
  std::vector<WindowId> move_starts;
  std::string config_folder = "/tmp";
  bool fail_windows = false;
  bool fail_web_view = false;
  ui::WindowHook hook = nullptr;
  int end_count = 0;
};

World& TheWorld();
// Forgets every window, control, binding, posted event and image.
void Reset();

}  // namespace sp::headless
