// Shared state of the Win32 backend: the native handles behind the program's numbers.
// Only the files in this folder see it.
#pragma once

#include "platform/win32/windows_api.h"

#include <map>
#include <string>
#include <string_view>

#include "platform/geometry.h"
#include "platform/ids.h"
#include "platform/ui.h"

namespace sp::win32ui {

struct NativeWindow {
  HWND hwnd = nullptr;
  HBRUSH background = nullptr;
  int width_px = 0, height_px = 0;  // client size; controls are clipped to it
};

struct NativeControl {
  HWND hwnd = nullptr;
  WindowId window = WindowId::None;
  bool canvas = false;
  bool tracking = false;  // a leave notice has been asked for
};

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

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace sp::win32ui
