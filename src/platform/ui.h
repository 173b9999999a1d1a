// What the program needs from a windowing backend. One backend per platform
// implements these (GTK on X11 today; a headless one for tests). Geometry is in
// 1/96-inch units unless a name says pixels. GUI thread only, unless noted.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/geometry.h"
#include "platform/ids.h"
#include "platform/pixels.h"

namespace sp::ui {

// Connects to the display and reads its DPI. False when there is no display.
// `program_class` names the program's windows to the desktop (the X11 WM_CLASS), so
// its launcher can claim them; empty leaves the toolkit's default.
bool Init(const std::string& program_class = {});
const Dpi& ScreenDpi();
// Screen pixels per pixel of the program's drawing (2 on a screen set to 200 %).
// Pictures of controls are kept at this many times their size.
int PixelScale();

// The connected monitors and the work area of the primary one (the part the
// desktop's panels leave free).
struct ScreenLayout {
  std::vector<Rect> monitors;
  Rect primary_work_area;
};
// Nothing when the backend cannot tell.
std::optional<ScreenLayout> Screens();
// The per-user configuration folder, without a trailing slash; empty when unknown.
std::string UserConfigFolder();

// Waits for events and dispatches them, including posted ones, until the process ends.
void RunLoop();
// Destroys every window and ends the process with exit code 0. Does not wait for
// other threads.
[[noreturn]] void EndProcess();
// Calls `handler` whenever the program is asked from outside to end: the session ending
// at log-out, a service manager stopping it, `kill`, Ctrl+C in a terminal. It runs on the
// GUI thread between events, as a click's handler does. Until one is set, such a request
// ends the process the platform's way, without the program's shutdown.
void OnEndRequest(void (*handler)());

// The icon every window of the program shows (task bar, window switcher).
void SetProgramIcon(ImageId image);

// A modal message box with an OK button and an error icon.
void ShowMessageBox(const std::string& title, const std::string& text);
// Hands a URL to the user's default browser; does not wait.
void OpenUrl(const std::string& url);

struct WindowSpec {
  WindowId id = WindowId::None;
  std::string title;
  std::int64_t x = 0, y = 0, width = 0, height = 0;
  Rgb background;
  WindowId owner = WindowId::None;  // an owned window stays above its owner
};
// Borderless, hidden until shown. False when the window cannot be created.
bool CreateWindow(const WindowSpec& desc);
bool WindowExists(WindowId id);
std::string WindowTitle(WindowId id);
void ShowWindow(WindowId id);
void HideWindow(WindowId id);
bool IsWindowVisible(WindowId id);
void MinimizeWindow(WindowId id);
// Brings the window to the front with the focus, restoring it when minimised.
void PresentWindow(WindowId id);
bool IsWindowMinimized(WindowId id);
// Moves the window's top-left corner without changing its size.
void MoveWindow(WindowId id, std::int64_t x, std::int64_t y);
std::optional<Point> WindowPosition(WindowId id);
// The pointer in the window's client area in pixels, or nothing when outside it.
// While the hook handles a LeftButtonDown: where that press happened.
std::optional<Point> PointerInClient(WindowId id);
// Moves the window with the pointer while the left button, just pressed in it, is
// held (the drag of a title strip). Returns at once; the moves are reported.
void BeginWindowMove(WindowId id);

// The program-wide window hook sees these messages of the program's windows before
// anything else happens with them.
enum class WindowMessage { Move, Size, LeftButtonDown };
using WindowHook = void (*)(WindowId window, WindowMessage message);
void InstallWindowHook(WindowHook hook);
// Delivers a message to the hook as if the window had sent it.
void SendWindowMessage(WindowId id, WindowMessage message);

// Controls. x, y are relative to the window's client area.
struct ControlSpec {
  WindowId window = WindowId::None;
  ControlId id = ControlId::None;
  std::int64_t x = 0, y = 0, width = 0, height = 0;
};
bool CreateTextStrip(const ControlSpec& desc, const std::string& text, const TextStyle& style);
void SetControlText(ControlId id, const std::string& utf8);
std::string ControlText(ControlId id);
void SetControlStyle(ControlId id, const TextStyle& style);
// A canvas with its own bitmap; raises mouse events (see events.h).
bool CreateCanvas(const ControlSpec& desc);
// Shows a control's picture again after drawing on it.
void Repaint(ControlId id);
// The embedded web view, holding an empty document when this returns true.
bool CreateWebView(const ControlSpec& desc);
// Replaces the web view's document; false when the page could not be set.
bool SetWebViewHtml(ControlId id, const std::string& html);
// Runs a script in the web view's document without waiting for it; false when there is
// no such web view. A web view raises the Media* control events as its page's audio
// changes (see ids.h).
bool RunWebViewScript(ControlId id, const std::string& script);

// Calls `handler` once on the GUI thread after `delay`, in place of any call still
// waiting under the same number.
void StartTimer(TimerId id, std::chrono::milliseconds delay, void (*handler)());
void StopTimer(TimerId id);

}  // namespace sp::ui
