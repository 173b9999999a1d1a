// Win32 backend: start-up, the message loop, posted events, the message box, the
// browser hand-off and the per-user folder.
#include "platform/win32/windows_api.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <map>

#include "platform/events.h"
#include "platform/image_store.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/win32/win32_state.h"

namespace sp::win32ui {

Backend& State() {
  static Backend backend;
  return backend;
}

namespace {

constexpr wchar_t kEventClass[] = L"StationPlayerEvents";

// The program's one-shot timers, by number: a Win32 timer on the event window repeats,
// so it is killed before its handler runs.
std::map<std::int64_t, void (*)()>& Timers() {
  static std::map<std::int64_t, void (*)()> timers;
  return timers;
}

LRESULT CALLBACK EventWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kPostedEvents) {
    DispatchPosted();
    return 0;
  }
  if (message == WM_HOTKEY) {
    OnHotKey(wparam);
    return 0;
  }
  if (message == WM_TIMER) {
    KillTimer(hwnd, wparam);
    const auto it = Timers().find(std::int64_t(wparam));
    if (it == Timers().end()) return 0;
    void (*handler)() = it->second;
    Timers().erase(it);  // the handler may start it again
    handler();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool CreateEventWindow() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = EventWindowProc;
  wc.hInstance = State().instance;
  wc.lpszClassName = kEventClass;
  if (!RegisterClassExW(&wc)) return false;
  // A message-only window: never shown, never enumerated, only receives.
  State().events = CreateWindowExW(0, kEventClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   State().instance, nullptr);
  return State().events != nullptr;
}

// The message font of the non-client metrics, or the stock GUI font's face.
void ChooseDefaultFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    text::SetDefaultFont(Utf8(metrics.lfMessageFont.lfFaceName) + "|" +
                         std::to_string(metrics.lfMessageFont.lfHeight));
    return;
  }
  LOGFONTW stock{};
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock))
    text::SetDefaultFont(Utf8(stock.lfFaceName) + "|" + std::to_string(stock.lfHeight));
}

}  // namespace
}  // namespace sp::win32ui

namespace sp::ui {

using win32ui::State;

bool Init(const std::string&) {
  auto& state = State();
  state.instance = GetModuleHandleW(nullptr);
  // System-DPI aware by its manifest: Windows leaves the program's pixels alone and the
  // program scales its 1/96-inch geometry by the DPI read here, once.
  // COM in a single-threaded apartment, with OLE on top: the browser control is
  // activated in place, which needs OLE's window and clipboard support.
  if (FAILED(OleInitialize(nullptr))) return false;
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX), dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi_x > 0 && dpi_y > 0) state.dpi = Dpi{double(dpi_x), double(dpi_y)};
  win32ui::ChooseDefaultFont();
  if (!win32ui::CreateEventWindow() || !win32ui::RegisterWindowClass() ||
      !win32ui::RegisterControlClass() || !win32ui::InitWake())
    return false;
  Posted().SetWake(win32ui::WakeForPosted);
  return true;
}

const Dpi& ScreenDpi() {
  return State().dpi;
}

// Windows scales nothing for a DPI-aware program: one drawing pixel is one screen pixel.
int PixelScale() {
  return 1;
}

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* layout = reinterpret_cast<ScreenLayout*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  const Dpi& dpi = State().dpi;
  const auto units = [&dpi](const RECT& r) {
    const std::int64_t x = dpi.ToUnitsX(r.left), y = dpi.ToUnitsY(r.top);
    return Rect{x, y, dpi.ToUnitsX(r.right) - x, dpi.ToUnitsY(r.bottom) - y};
  };
  layout->monitors.push_back(units(info.rcMonitor));
  if (info.dwFlags & MONITORINFOF_PRIMARY) layout->primary_work_area = units(info.rcWork);
  return TRUE;
}

}  // namespace

std::optional<ScreenLayout> Screens() {
  ScreenLayout layout;
  if (!EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout)) ||
      layout.monitors.empty())
    return std::nullopt;
  return layout;
}

std::string UserConfigFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
    return "";
  // As Windows gives it: the program appends its own folders with "\\" too.
  std::string folder = win32ui::Utf8(path);
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

void StartTimer(TimerId id, std::chrono::milliseconds delay, void (*handler)()) {
  // Timer number 0 would ask Windows to choose one.
  const UINT_PTR n = UINT_PTR(Num(id)) + 1;
  const UINT ms = UINT(std::clamp<std::chrono::milliseconds::rep>(delay.count(), 0, 0x7FFFFFFF));
  if (!SetTimer(State().events, n, ms, nullptr)) return;
  win32ui::Timers()[std::int64_t(n)] = handler;
}

void StopTimer(TimerId id) {
  const UINT_PTR n = UINT_PTR(Num(id)) + 1;
  KillTimer(State().events, n);
  win32ui::Timers().erase(std::int64_t(n));
}

void RunLoop() {
  DispatchPosted();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) EndProcess();
      if (win32ui::OfferToWebView(msg) || win32ui::HandleKey(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    win32ui::WaitForInput();
  }
}

void EndProcess() {
  // The browser control first, while the windows it lives in still exist.
  win32ui::ReleaseWebViews();
  for (auto& [id, native] : State().windows) {
    if (native.hwnd) DestroyWindow(native.hwnd);
  }
  State().windows.clear();
  State().controls.clear();
  // Ended at once, without the runtime's clean-up: the watcher thread may still be
  // inside a request, and everything worth keeping is already on disk.
  TerminateProcess(GetCurrentProcess(), 0);
  ExitProcess(0);  // not reached
}

void SetProgramIcon(ImageId image) {
  const auto picture = images::Get(image);
  if (!picture || picture->width() <= 0) return;
  const Bitmap& bmp = picture->bitmap;
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = bmp.width;
  header.bV5Height = -bmp.height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!colour) return;
  // Icons take straight alpha; an image of depth 24 is opaque.
  auto* out = static_cast<std::uint32_t*>(bits);
  for (std::size_t i = 0; i < bmp.pixels.size(); ++i) {
    const Pixel p = bmp.pixels[i];
    const std::uint32_t a = picture->depth == 32 ? AlphaOf(p) : 255;
    const Rgb c = RgbOf(p);
    const auto straight = [a](std::uint32_t v) {
      return a ? std::min<std::uint32_t>(255, v * 255 / a) : 0;
    };
    out[i] = (a << 24) | (straight(c.r) << 16) | (straight(c.g) << 8) | straight(c.b);
  }
  HBITMAP mask = CreateBitmap(bmp.width, bmp.height, 1, 1, nullptr);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  if (!icon) return;
  if (State().icon) DestroyIcon(State().icon);
  State().icon = icon;
  for (auto& [id, native] : State().windows) {
    SendMessageW(native.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(native.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
}

void ShowMessageBox(const std::string& title, const std::string& text) {
  // Owned by the foreground window when that is one of ours.
  HWND owner = GetForegroundWindow();
  DWORD process = 0;
  if (owner) GetWindowThreadProcessId(owner, &process);
  if (process != GetCurrentProcessId()) owner = nullptr;
  MessageBoxW(owner, win32ui::Wide(text).c_str(), win32ui::Wide(title).c_str(),
              MB_OK | MB_ICONERROR);
}

void OpenUrl(const std::string& url) {
  const std::wstring wide = win32ui::Wide(url);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // Whatever goes wrong, the shell shows no box of its own: nothing is reported.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = wide.c_str();
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExW(&info);
}

}  // namespace sp::ui
