// Shared state of the Win32 backend: the native handles behind the program's numbers.
// Only the files in this folder see it.
#pragma once

#include "platform/win32/windows_api.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/access.h"
#include "platform/geometry.h"
#include "platform/ids.h"
#include "platform/ui.h"

namespace sp::win32ui {

struct NativeWindow {
  HWND hwnd = nullptr;
  HBRUSH background = nullptr;
  int width_px = 0, height_px = 0;  // client size; controls are clipped to it
  std::string access_name;          // what screen readers call it; empty: its title
  HWND focus = nullptr;             // the control that had the keyboard when it went inactive
};

struct NativeControl {
  HWND hwnd = nullptr;
  WindowId window = WindowId::None;
  bool canvas = false;
  bool tracking = false;           // a leave notice has been asked for
  std::optional<AccessInfo> told;  // the description screen readers last heard of
};

// Messages of the program's own: posted events to the event window, and a press
// through assistive technology to a control, which arrives after the reader has its
// answer (the press may end the program).
constexpr UINT kPostedEvents = WM_APP + 1;
constexpr UINT kPressControl = WM_APP + 2;
// The program's icon in its resources (icon group 1).
constexpr WORD kProgramIconResource = 1;

struct Backend {
  HINSTANCE instance = nullptr;
  Dpi dpi;
  HWND events = nullptr;  // the hidden window that receives posted events
  HICON icon = nullptr;
  std::map<std::int64_t, NativeWindow> windows;
  std::map<std::int64_t, NativeControl> controls;
  ui::WindowHook hook = nullptr;
  void (*end_request)() = nullptr;  // run when the session ends
};

Backend& State();
NativeWindow* FindWindow(WindowId id);
NativeControl* FindControl(ControlId id);
void CallHook(WindowId id, ui::WindowMessage message);
// Registers the window classes of windows.cpp and controls.cpp; false on failure.
bool RegisterWindowClass();
bool RegisterControlClass();

// The event loop offers each message to the web view that holds the keyboard focus
// first; true when the browser took it, and then it goes no further.
bool OfferToWebView(MSG& msg);
// Lets go of every web view's browser control (at the end of the program).
void ReleaseWebViews();

// Posted events (win32_wake.cpp). Any thread: wakes the GUI thread for them; a wake
// the message queue refuses is not lost. GUI thread: waits for the next message or such
// a wake, and dispatches the events a lost wake left.
bool InitWake();
void WakeForPosted();
void WaitForInput();

// Screen readers (win32_access.cpp): the answer to WM_GETOBJECT, 0 for objects that are
// not ours.
LRESULT AnswerGetObject(HWND hwnd, WPARAM wparam, LPARAM lparam);

// The keyboard (win32_keyboard.cpp): the Tab order of each window, in the order its
// controls were described; Tab, Shift+Tab, Enter and Space, taken from the event loop
// (true: handled, goes no further); whether a control shows the focus frame; and the
// focus a window keeps while it is inactive.
void AddTabStop(WindowId window, ControlId id);
bool HandleKey(const MSG& msg);
bool ShowsFocus(HWND control);
// Handles WM_ACTIVATE; false: leave it to the default handling.
bool OnActivate(NativeWindow& window, WPARAM wparam);

// The media keys (win32_remote.cpp): a hot key on the event window, and a command the
// system sends a focused window; true when it was one of ours.
void OnHotKey(WPARAM id);
bool OnAppCommand(int command);

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace sp::win32ui
