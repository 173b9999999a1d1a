// A backend without a display, for tests: windows and controls are records that a
// test can inspect; input is fed by calling sp::mouse and the hook directly.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/remote_control.h"
#include "platform/ui.h"

namespace sp::headless {

struct WindowRecord {
  ui::WindowSpec desc;
  Point position;
  bool visible = false;
  bool minimized = false;
  int presented = 0;
  std::string access_name{};  // what assistive technology calls it
};

// Thrown by ui::EndProcess so a test can watch the program end.
struct ProcessEnded {};

struct World {
  std::map<std::int64_t, WindowRecord> windows;
  std::map<std::int64_t, ui::ControlSpec> control_specs;
  std::map<std::int64_t, std::string> web_pages;
  std::vector<std::string> web_scripts;  // run in any web view, in order
  std::map<std::int64_t, int> repaints;
  // What assistive technology was told of each control, and the news read out.
  std::map<std::int64_t, AccessInfo> described;
  std::vector<std::string> announced;
  std::vector<std::string> opened_urls;
  std::vector<std::string> message_boxes;  // title + "|" + text
  std::optional<Point> pointer;            // in the client area of any window
  std::vector<WindowId> move_starts;
  std::string config_folder = "/tmp";
  int pixel_scale = 1;
  std::optional<ui::ScreenLayout> screens;  // unknown unless a test sets it
  bool fail_windows = false;
  bool fail_web_view = false;
  ui::WindowHook hook = nullptr;
  int end_count = 0;
  void (*end_request)() = nullptr;  // what the program asked to run when told to end
  // Timers waiting, by number; a test calls the handler when it pleases.
  struct Timer {
    std::chrono::milliseconds delay;
    void (*handler)();
  };
  std::map<std::int64_t, Timer> timers;

  // The desktop's remote control: what the program set up and published. A test
  // decides whether the desktop can see it (remote_ready) and calls remote_setup's
  // handlers as the desktop would.
  std::optional<remote::Setup> remote_setup;
  bool remote_ready = true;
  std::vector<remote::Track> remote_tracks;
  std::vector<remote::Playback> remote_playback;
};

World& TheWorld();
// Forgets every window, control, binding, posted event and image.
void Reset();

}  // namespace sp::headless
