// Win32 backend: every text strip and canvas is a child window that shows the control's
// picture, with the focus frame over it while the keyboard is on it; canvases also
// report pointer input. The web view is in win32_webview.cpp, what screen readers get
// in win32_access.cpp.
#include "platform/win32/windows_api.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>

#include "platform/backend.h"
#include "platform/mouse.h"
#include "platform/startup_steps.h"
#include "platform/win32/win32_state.h"

namespace sp::win32ui {
namespace {

constexpr wchar_t kControlClass[] = L"StationPlayerControl";

ControlId IdOf(HWND hwnd) {
  return ControlId{GetWindowLongPtrW(hwnd, GWLP_USERDATA)};
}

// The picture's pixels are premultiplied 0xAARRGGBB, which is a top-down 32-bit DIB's
// own layout, so they go to the screen as they are, blended over the window's colour.
void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  const ControlState* state = controls::Find(IdOf(hwnd));
  const NativeControl* control = FindControl(IdOf(hwnd));
  const NativeWindow* window = control ? FindWindow(control->window) : nullptr;
  if (window) FillRect(dc, &ps.rcPaint, window->background);
  if (state && state->picture.width > 0 && state->picture.height > 0) {
    // The frame goes over a copy: the picture itself stays as the program drew it.
    std::optional<Bitmap> framed;
    if (ShowsFocus(hwnd)) {
      framed = state->picture;
      DrawFocusFrame(*framed, state->scale);
    }
    const Bitmap& bmp = framed ? *framed : state->picture;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bmp.width;
    info.bmiHeader.biHeight = -bmp.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = dib ? CreateCompatibleDC(dc) : nullptr;
    if (memory) {
      std::copy(bmp.pixels.begin(), bmp.pixels.end(), static_cast<Pixel*>(bits));
      HGDIOBJ old = SelectObject(memory, dib);
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      // One picture pixel to one screen pixel: the picture already holds the screen's
      // density.
      const int w = bmp.width / std::max(1, state->scale);
      const int h = bmp.height / std::max(1, state->scale);
      AlphaBlend(dc, 0, 0, w, h, memory, 0, 0, bmp.width, bmp.height, blend);
      SelectObject(memory, old);
      DeleteDC(memory);
    }
    if (dib) DeleteObject(dib);
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  NativeControl* control = FindControl(IdOf(hwnd));
  const bool canvas = control && control->canvas;
  switch (message) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);  // the focus frame comes or goes
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT answer = AnswerGetObject(hwnd, wparam, lparam)) return answer;
      break;
    case kPressControl:
      mouse::Click(IdOf(hwnd));
      return 0;
    case WM_NCHITTEST:
      // A text strip is part of its window: presses on it reach the window (and the
      // hook), as on a static control.
      if (!canvas) return HTTRANSPARENT;
      break;
    case WM_MOUSEMOVE:
      if (!canvas) break;
      if (!control->tracking) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        control->tracking = TrackMouseEvent(&track) != 0;
      }
      mouse::PointerMoved(IdOf(hwnd));
      return 0;
    case WM_MOUSELEAVE:
      if (!canvas) break;
      control->tracking = false;
      mouse::PointerLeft(IdOf(hwnd));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!canvas) break;
      // Held until the release, so a release outside still reaches the canvas.
      SetCapture(hwnd);
      mouse::LeftPressed(IdOf(hwnd));
      return 0;
    case WM_LBUTTONUP: {
      if (!canvas) break;
      if (GetCapture() == hwnd) ReleaseCapture();
      RECT r;
      GetClientRect(hwnd, &r);
      const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      mouse::LeftReleased(IdOf(hwnd), PtInRect(&r, p) != 0);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

bool RegisterControlClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ControlProc;
  wc.hInstance = State().instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kControlClass;
  return RegisterClassExW(&wc) != 0;
}

NativeControl* FindControl(ControlId id) {
  auto it = State().controls.find(Num(id));
  return it == State().controls.end() ? nullptr : &it->second;
}

}  // namespace sp::win32ui

namespace sp::backend {

bool AddControlWidget(const ui::ControlSpec& desc, ControlKind kind, int width_px, int height_px) {
  using namespace win32ui;
  NativeWindow* window = FindWindow(desc.window);
  if (!window) return false;
  if (NativeControl* old = FindControl(desc.id)) DestroyWindow(old->hwnd);
  State().controls.erase(Num(desc.id));
  const Dpi& dpi = State().dpi;
  const int x = dpi.ToPxX(desc.x), y = dpi.ToPxY(desc.y);
  // A control reaching past the client area is cut at its edge.
  const int w = std::max(0, std::min(width_px, window->width_px - x));
  const int h = std::max(0, std::min(height_px, window->height_px - y));
  NativeControl control;
  control.window = desc.window;
  control.canvas = kind == ControlKind::Canvas;
  State().controls[Num(desc.id)] = control;
  HWND hwnd = CreateWindowExW(0, kControlClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y,
                              w, h, window->hwnd, nullptr, State().instance, nullptr);
  if (!hwnd) {
    State().controls.erase(Num(desc.id));
    return false;
  }
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(Num(desc.id)));
  // A new child goes below its siblings; the program expects a later control on top
  // (the SUBSCRIBE button over the title strip).
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  State().controls[Num(desc.id)].hwnd = hwnd;
  return true;
}

}  // namespace sp::backend

namespace sp::ui {

void Repaint(ControlId id) {
  if (auto* control = win32ui::FindControl(id)) InvalidateRect(control->hwnd, nullptr, FALSE);
}

// The browser control starts with its web view; there is nothing to start earlier, and
// the timeline marks belong to the Linux bench build.
void WarmUpWebView() {}
void HandlePending() {}
void MarkStartupStep(const char*) {}

}  // namespace sp::ui
