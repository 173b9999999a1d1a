// End-to-end test harness: a private Xvfb display, the real program in a temporary
// home, and the X server's view of its windows (geometry, pixels, input).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using XDisplay = struct _XDisplay;
using XWindowId = unsigned long;

namespace e2e {

using namespace std::chrono_literals;

// A folder removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A child process in its own process group, killed (group and all) on destruction.
class Process {
 public:
  Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          const std::string& output_file = "/dev/null");
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  bool Running();
  // The exit code, or nothing if still running after `timeout` (or killed by a signal: -signal).
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);
  void Kill();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  bool group_gone_ = false;
};

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c);

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

// A private X server for one test.
class Xvfb {
 public:
  explicit Xvfb(int width = 1600, int height = 1000);
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  const std::string& name() const { return name_; }  // e.g. ":101"
  // Starts a window manager on the display (for minimising and stacking).
  void StartWindowManager();
  XDisplay* x() const { return display_; }

  // A viewable top-level window whose title equals `title`, waiting up to `timeout`.
  std::optional<XWindowId> FindWindow(const std::string& title,
                                      std::chrono::milliseconds timeout = 10s);
  bool Viewable(XWindowId window);
  // How many pop-ups (viewable override-redirect windows: menus, tooltips) are open.
  int CountPopups();
  Geometry WindowGeometry(XWindowId window);  // position on the screen, size
  std::string WindowTitle(XWindowId window);
  // The window's WM_CLASS: instance name and class name.
  std::pair<std::string, std::string> WindowClass(XWindowId window);
  bool HasDecorations(XWindowId window);  // whether it asked for a frame
  // Width and height of the first icon the window offers (0, 0 when none).
  std::pair<int, int> IconSize(XWindowId window);

  // The window that declares itself owned by `owner` (WM_TRANSIENT_FOR), shown or not.
  std::optional<XWindowId> FindOwnedWindow(XWindowId owner,
                                           std::chrono::milliseconds timeout = 10s);
  // Whether the window asks for an _NET_WM_STATE such as "_NET_WM_STATE_SKIP_PAGER".
  bool HasWmState(XWindowId window, const std::string& state);
  // Whether the window manager stacks `upper` above `lower`.
  bool StackedAbove(XWindowId upper, XWindowId lower);

  Rgb Pixel(int x, int y);
  // Every pixel of `area`, row by row.
  std::vector<Rgb> Pixels(const Geometry& area);
  // How many pixels of `area` show exactly `colour`.
  int CountPixels(const Geometry& area, Rgb colour);
  // Waits until the pixel shows `colour` (drawing is asynchronous); returns what it saw last.
  Rgb WaitPixel(int x, int y, Rgb colour, std::chrono::milliseconds timeout = 5s);
  void SavePng(const std::string& path, const Geometry& area);

  void MovePointer(int x, int y);
  void PressLeft();
  void ReleaseLeft();
  // Any physical button: 1 left, 2 middle, 3 right.
  void PressButton(unsigned button);
  void ReleaseButton(unsigned button);
  void ClickLeft();
  void ClickRight();
  // Turns the wheel under the pointer: positive steps scroll down, negative up.
  void TurnWheel(int steps);
  void PressKey(const std::string& keysym_name);
  void MoveWindow(XWindowId window, int x, int y);
  // Asks the window manager to bring a (minimised) window back and give it the focus.
  void Activate(XWindowId window);
  // What a window manager sends when the user closes a window.
  void RequestClose(XWindowId window);
  void Sync();

 private:
  // A client message of `type` about `window`, sent to `target`.
  void SendClientMessage(XWindowId target, XWindowId window, const char* type, long data0,
                         long event_mask);

  std::optional<Process> server_;
  std::optional<Process> window_manager_;
  std::string name_;
  XDisplay* display_ = nullptr;
};

struct ProgramOptions {
  bool faults_build = false;  // the test build with fault switches
  std::map<std::string, std::string> env;
  std::string exe = "";        // another build of the program (an installed one)
  bool accessibility = false;  // the toolkit talks to an accessibility bus, if there is one
};

// The real program on a display, with HOME and XDG_CONFIG_HOME in a temporary folder.
class Program {
 public:
  Program(Xvfb& display, const TempDir& home, ProgramOptions options = {});

  Process& process() { return process_; }
  const std::string& log_path() const { return log_; }
  std::string Log() const;
  // The application folder inside the temporary home.
  std::string AppFolder() const;

 private:
  std::string log_;
  Process process_;
  std::string config_home_;
};

inline constexpr char kMainTitle[] = "Tidemark Drum and Bass FM - tidemark";

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace e2e
