// Win32 backend: the program's borderless popup windows, the window hook and moves.
// A window is moved by its strip with a drag of our own (the pointer captured, the
// window placed at every step) rather than the system's move loop: under Wine that
// loop hands the move to the X window manager, which reports nothing until the button
// is released, and on Windows it reports nothing while "show window contents while
// dragging" is off. Either way a docked partner could only jump at the end.
// The drag follows the button that acts as the left one: for a left-handed user who
// swapped the buttons in Windows' settings, that is the physical right one.
#include "platform/win32/windows_api.h"

#include <windowsx.h>

#include <string>

#include "platform/events.h"
#include "platform/ui.h"
#include "platform/win32/win32_state.h"

namespace sp::win32ui {
namespace {

constexpr wchar_t kWindowClass[] = L"StationPlayerWindow";

// While the hook handles a press, the pointer is where the press happened.
struct PressInClient {
  WindowId window = WindowId::None;
  POINT at{};
} press_in_client;

// The last left press on a window, in screen pixels, which a hook may turn into a move.
struct LastPress {
  WindowId window = WindowId::None;
  POINT screen{};
} last_press;

struct Drag {
  WindowId window = WindowId::None;
  POINT pointer{};  // where the pointer took hold
  POINT origin{};   // where the window was then
} drag;

// The window's place for the pointer where the message being handled left it: when
// messages queue up, the pointer may already be elsewhere (past the release, even).
void Follow(HWND hwnd) {
  const DWORD at = GetMessagePos();
  const POINT p{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  SetWindowPos(hwnd, nullptr, drag.origin.x + p.x - drag.pointer.x,
               drag.origin.y + p.y - drag.pointer.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

WindowId IdOf(HWND hwnd) {
  return WindowId{GetWindowLongPtrW(hwnd, GWLP_USERDATA)};
}

// Whether the logical left button is down. The window messages name the buttons as the
// user's settings map them; the key state names the physical ones.
bool LeftButtonHeld() {
  const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  return (GetAsyncKeyState(button) & 0x8000) != 0;
}

HICON ProgramIcon(int size_metric) {
  const int size = GetSystemMetrics(size_metric);
  return static_cast<HICON>(LoadImageW(State().instance, MAKEINTRESOURCEW(kProgramIconResource),
                                       IMAGE_ICON, size, size, LR_SHARED));
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  const WindowId id = IdOf(hwnd);
  switch (message) {
    case WM_MOVE:
      // The system's move loop sends this for every step of a drag, so a docked
      // partner follows while the button is still held.
      CallHook(id, ui::WindowMessage::Move);
      return 0;
    case WM_SIZE:
      CallHook(id, ui::WindowMessage::Size);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      press_in_client = {id, at};
      ClientToScreen(hwnd, &at);
      last_press = {id, at};
      CallHook(id, ui::WindowMessage::LeftButtonDown);
      press_in_client = {};
      return 0;
    }
    case WM_MOUSEMOVE:
      if (drag.window == id && GetCapture() == hwnd) Follow(hwnd);
      return 0;
    case WM_LBUTTONUP:
      // The release says where the pointer ended, whatever motion went before.
      if (drag.window == id && GetCapture() == hwnd) {
        Follow(hwnd);
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      // Released, or taken by another window: the drag is over.
      drag = {};
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT answer = AnswerGetObject(hwnd, wparam, lparam)) return answer;
      break;
    case WM_APPCOMMAND:
      // The media keys, when the system gives them to the focused window.
      if (OnAppCommand(GET_APPCOMMAND_LPARAM(lparam))) return TRUE;
      break;
    case WM_ACTIVATE:
      if (NativeWindow* native = FindWindow(id); native && OnActivate(*native, wparam)) return 0;
      break;
    case WM_CLOSE:
      // A close request never destroys the window; the program decides.
      Raise(Event{EventClass::CloseRequest, Num(id), 0, 0, {}});
      return 0;
    case WM_ENDSESSION:
      // Log-off or shut-down: Windows ends the process once this returns, so the
      // program's own shutdown runs first (it ends the process itself).
      if (wparam && State().end_request) State().end_request();
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      if (NativeWindow* native = FindWindow(id))
        FillRect(reinterpret_cast<HDC>(wparam), &r, native->background);
      return 1;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

bool RegisterWindowClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = State().instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The program's own icon for the task bar and the window switcher, at their sizes.
  wc.hIcon = ProgramIcon(SM_CXICON);
  wc.hIconSm = ProgramIcon(SM_CXSMICON);
  wc.lpszClassName = kWindowClass;
  return RegisterClassExW(&wc) != 0;
}

NativeWindow* FindWindow(WindowId id) {
  auto it = State().windows.find(Num(id));
  return it == State().windows.end() ? nullptr : &it->second;
}

void CallHook(WindowId id, ui::WindowMessage message) {
  if (State().hook && id != WindowId::None) State().hook(id, message);
}

}  // namespace sp::win32ui

namespace sp::ui {

using win32ui::FindWindow;
using win32ui::State;

bool CreateWindow(const WindowSpec& desc) {
  if (desc.id == WindowId::None || FindWindow(desc.id)) return false;
  const Dpi& dpi = State().dpi;
  HWND owner = nullptr;
  if (auto* native = FindWindow(desc.owner)) owner = native->hwnd;
  const int w = dpi.ToPxX(desc.width), h = dpi.ToPxY(desc.height);
  HWND hwnd = CreateWindowExW(0, win32ui::kWindowClass, win32ui::Wide(desc.title).c_str(),
                              WS_POPUP | WS_CLIPCHILDREN, dpi.ToPxX(desc.x), dpi.ToPxY(desc.y), w,
                              h, owner, nullptr, State().instance, nullptr);
  if (!hwnd) return false;
  // Known by its number before any message of ours reaches the hook.
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(Num(desc.id)));
  win32ui::NativeWindow native;
  native.hwnd = hwnd;
  native.background =
      CreateSolidBrush(RGB(desc.background.r, desc.background.g, desc.background.b));
  native.width_px = w;
  native.height_px = h;
  State().windows[Num(desc.id)] = native;
  if (State().icon) {
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(State().icon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(State().icon));
  }
  return true;
}

bool WindowExists(WindowId id) {
  return FindWindow(id) != nullptr;
}

std::string WindowTitle(WindowId id) {
  auto* native = FindWindow(id);
  if (!native) return "";
  const int n = GetWindowTextLengthW(native->hwnd);
  std::wstring title(std::size_t(n) + 1, L'\0');
  title.resize(std::size_t(GetWindowTextW(native->hwnd, title.data(), n + 1)));
  return win32ui::Utf8(title);
}

void ShowWindow(WindowId id) {
  if (auto* native = FindWindow(id)) ::ShowWindow(native->hwnd, SW_SHOW);
}

void HideWindow(WindowId id) {
  if (auto* native = FindWindow(id)) ::ShowWindow(native->hwnd, SW_HIDE);
}

bool IsWindowVisible(WindowId id) {
  auto* native = FindWindow(id);
  return native && ::IsWindowVisible(native->hwnd);
}

void MinimizeWindow(WindowId id) {
  if (auto* native = FindWindow(id)) ::ShowWindow(native->hwnd, SW_MINIMIZE);
}

void PresentWindow(WindowId id) {
  auto* native = FindWindow(id);
  if (!native) return;
  ::ShowWindow(native->hwnd, IsIconic(native->hwnd) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(native->hwnd);
}

bool IsWindowMinimized(WindowId id) {
  auto* native = FindWindow(id);
  return native && IsIconic(native->hwnd);
}

void MoveWindow(WindowId id, std::int64_t x, std::int64_t y) {
  auto* native = FindWindow(id);
  if (!native) return;
  const Dpi& dpi = State().dpi;
  SetWindowPos(native->hwnd, nullptr, dpi.ToPxX(x), dpi.ToPxY(y), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<Point> WindowPosition(WindowId id) {
  auto* native = FindWindow(id);
  RECT r;
  if (!native || !GetWindowRect(native->hwnd, &r)) return std::nullopt;
  const Dpi& dpi = State().dpi;
  return Point{dpi.ToUnitsX(r.left), dpi.ToUnitsY(r.top)};
}

std::optional<Point> PointerInClient(WindowId id) {
  auto* native = FindWindow(id);
  if (!native) return std::nullopt;
  POINT p{};
  if (win32ui::press_in_client.window == id) {
    p = win32ui::press_in_client.at;
  } else {
    if (!GetCursorPos(&p) || !ScreenToClient(native->hwnd, &p)) return std::nullopt;
  }
  RECT client;
  GetClientRect(native->hwnd, &client);
  if (p.x < 0 || p.y < 0 || p.x >= client.right || p.y >= client.bottom) return std::nullopt;
  return Point{p.x, p.y};
}

void BeginWindowMove(WindowId id) {
  using win32ui::drag;
  using win32ui::last_press;
  auto* native = FindWindow(id);
  RECT r;
  // Only from the press that asks for it, and while it is held.
  if (!native || last_press.window != id || win32ui::press_in_client.window != id ||
      !win32ui::LeftButtonHeld() || !GetWindowRect(native->hwnd, &r))
    return;
  drag = {id, last_press.screen, {r.left, r.top}};
  SetCapture(native->hwnd);
}

void InstallWindowHook(WindowHook hook) {
  State().hook = hook;
}

void OnEndRequest(void (*handler)()) {
  State().end_request = handler;
}

void SendWindowMessage(WindowId id, WindowMessage message) {
  win32ui::CallHook(id, message);
}

}  // namespace sp::ui
