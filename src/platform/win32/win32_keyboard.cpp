// Win32 backend: the keyboard. Tab and Shift+Tab go round each window's controls in the
// order they were described (title buttons, thumbnail, web view; in the cover window
// the toggle, then the picture), not the child windows' stacking order; Enter and
// Space press the focused button by the same click the mouse gives. A window is shown
// with the focus on itself, so no control looks focused until the keyboard is used.
// GUI thread only.
#include "platform/win32/windows_api.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/mouse.h"
#include "platform/win32/win32_state.h"

namespace sp::win32ui {
namespace {

std::map<std::int64_t, std::vector<ControlId>>& TabOrders() {
  static std::map<std::int64_t, std::vector<ControlId>> orders;
  return orders;
}

// The program's window that `hwnd` is, or lies in.
std::optional<WindowId> WindowOf(HWND hwnd) {
  const HWND top = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  for (const auto& [id, native] : State().windows)
    if (native.hwnd && native.hwnd == top) return WindowId{id};
  return std::nullopt;
}

std::optional<ControlId> ControlOf(HWND hwnd) {
  for (const auto& [id, native] : State().controls)
    if (native.hwnd && native.hwnd == hwnd) return ControlId{id};
  return std::nullopt;
}

// The window's stops that can take the focus now.
std::vector<HWND> Stops(WindowId window) {
  std::vector<HWND> stops;
  for (ControlId id : TabOrders()[Num(window)]) {
    const NativeControl* control = FindControl(id);
    if (control && IsWindowVisible(control->hwnd) && IsWindowEnabled(control->hwnd))
      stops.push_back(control->hwnd);
  }
  return stops;
}

bool MoveFocus(WindowId window, HWND focus, bool backwards) {
  const std::vector<HWND> stops = Stops(window);
  if (stops.empty()) return false;
  // The focus may be deep inside a stop (the browser control's own windows).
  const auto at = std::find_if(stops.begin(), stops.end(), [focus](HWND stop) {
    return stop == focus || IsChild(stop, focus);
  });
  const std::ptrdiff_t n = std::ptrdiff_t(stops.size());
  std::ptrdiff_t next;
  if (at == stops.end()) {
    next = backwards ? n - 1 : 0;
  } else {
    next = ((at - stops.begin()) + (backwards ? n - 1 : 1)) % n;  // round the window
  }
  SetFocus(stops[std::size_t(next)]);
  return true;
}

}  // namespace

void AddTabStop(WindowId window, ControlId id) {
  auto& order = TabOrders()[Num(window)];
  if (std::find(order.begin(), order.end(), id) == order.end()) order.push_back(id);
}

bool HandleKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  const std::optional<WindowId> window = WindowOf(msg.hwnd);
  if (!window) return false;
  switch (msg.wParam) {
    case VK_TAB:
      // Ctrl+Tab and Alt+Tab mean something else.
      if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
      return MoveFocus(*window, msg.hwnd, GetKeyState(VK_SHIFT) < 0);
    case VK_RETURN:
    case VK_SPACE: {
      const std::optional<ControlId> control = ControlOf(msg.hwnd);
      const AccessInfo* info = control ? ui::ControlDescription(*control) : nullptr;
      if (!info || !Pressable(info->role)) return false;
      mouse::Click(*control);
      return true;
    }
    default:
      return false;
  }
}

bool ShowsFocus(HWND control) {
  return control && GetFocus() == control;
}

bool OnActivate(NativeWindow& window, WPARAM wparam) {
  const HWND focus = GetFocus();
  if (LOWORD(wparam) == WA_INACTIVE) {
    // Kept for the window's return, as a dialog keeps its focused control.
    window.focus = focus && IsChild(window.hwnd, focus) ? focus : nullptr;
    return false;
  }
  // Coming back (and not minimised): the control that had the focus gets it again.
  if (HIWORD(wparam) || !window.focus || !IsChild(window.hwnd, window.focus)) return false;
  SetFocus(window.focus);
  return true;
}

}  // namespace sp::win32ui
