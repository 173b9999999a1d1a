// A Windows program the end-to-end tests run beside stationplayer.exe under Wine, as a
// screen reader and the system would meet the program: it reads the program's windows
// through Microsoft Active Accessibility (AccessibleObjectFromWindow), presses a
// control through its default action, listens to the WinEvents a reader listens to,
// posts the messages Windows sends for media keys and for a left-handed user's
// buttons, and holds the focus in a window of its own. It prints what it read.
//
//   test_client walk                   the tree of the program's windows
//   test_client press NAME             the default action of the control called NAME
//   test_client listen SECONDS         the name, description and live-region changes
//   test_client appcommand N           WM_APPCOMMAND N to the main window
//   test_client button down|up X Y     WM_LBUTTONDOWN/UP at client X, Y of the main window
//   test_client swapped                whether the mouse buttons are swapped
//   test_client focus SECONDS          a window of its own in the foreground
//
// Exit code 0 when it did what it was asked.
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win32_com.h"

namespace {

using sp::win32ui::ComPtr;

constexpr wchar_t kWindowClass[] = L"StationPlayerWindow";
constexpr wchar_t kMainTitle[] = L"Tidemark Drum and Bass FM - tidemark";

std::string Utf8(const wchar_t* text) {
  if (!text) return "";
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(std::strlen(out.c_str()));
  return out;
}

// A string as printed: quoted, line breaks as \n.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

VARIANT Self() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

std::string Take(BSTR text) {
  std::string out = Utf8(text);
  SysFreeString(text);
  return out;
}

struct Node {
  ComPtr<IAccessible> object;
  std::string name, description, role, action;
  LONG states = 0;
};

Node Read(ComPtr<IAccessible> object) {
  Node n;
  n.object = object;
  const VARIANT self = Self();
  BSTR text = nullptr;
  if (object->get_accName(self, &text) == S_OK) n.name = Take(text);
  text = nullptr;
  if (object->get_accDescription(self, &text) == S_OK) n.description = Take(text);
  text = nullptr;
  if (object->get_accDefaultAction(self, &text) == S_OK) n.action = Take(text);
  VARIANT v;
  VariantInit(&v);
  if (object->get_accRole(self, &v) == S_OK && v.vt == VT_I4) {
    wchar_t role[64] = {};
    GetRoleTextW(DWORD(v.lVal), role, 64);
    n.role = Utf8(role);
  }
  VariantClear(&v);
  if (object->get_accState(self, &v) == S_OK && v.vt == VT_I4) n.states = v.lVal;
  VariantClear(&v);
  return n;
}

std::string States(LONG states) {
  std::string out;
  for (int bit = 0; bit < 31; ++bit) {
    if (!(states & (1L << bit))) continue;
    wchar_t name[64] = {};
    GetStateTextW(DWORD(1L) << bit, name, 64);
    if (!out.empty()) out += ", ";
    out += Utf8(name);
  }
  return out;
}

std::vector<ComPtr<IAccessible>> Children(const ComPtr<IAccessible>& parent) {
  std::vector<ComPtr<IAccessible>> out;
  LONG count = 0;
  if (parent->get_accChildCount(&count) != S_OK || count <= 0) return out;
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  LONG got = 0;
  if (FAILED(AccessibleChildren(parent.get(), 0, count, children.data(), &got))) return out;
  for (LONG i = 0; i < got; ++i) {
    if (children[std::size_t(i)].vt == VT_DISPATCH && children[std::size_t(i)].pdispVal) {
      ComPtr<IAccessible> child;
      children[std::size_t(i)].pdispVal->QueryInterface(__uuidof(IAccessible), child.OutVoid());
      if (child) out.push_back(child);
    }
    VariantClear(&children[std::size_t(i)]);
  }
  return out;
}

void Walk(const ComPtr<IAccessible>& object, int depth,
          const std::function<bool(const Node&)>& visit) {
  const Node n = Read(object);
  if (!visit(n) || depth >= 4) return;
  for (const auto& child : Children(object)) Walk(child, depth + 1, visit);
}

HWND MainWindow() {
  return FindWindowW(kWindowClass, kMainTitle);
}

// The program's windows: the main window and the window it owns.
std::vector<HWND> ProgramWindows() {
  std::vector<HWND> windows;
  const HWND main = MainWindow();
  if (!main) return windows;
  windows.push_back(main);
  struct Search {
    HWND owner;
    HWND found = nullptr;
  } search{main};
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (std::wcscmp(name, kWindowClass) == 0 && GetWindow(hwnd, GW_OWNER) == s->owner) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.found) windows.push_back(search.found);
  return windows;
}

ComPtr<IAccessible> FrameOf(HWND hwnd) {
  ComPtr<IAccessible> frame;
  AccessibleObjectFromWindow(hwnd, DWORD(OBJID_WINDOW), __uuidof(IAccessible), frame.OutVoid());
  return frame;
}

int WalkCommand() {
  const std::vector<HWND> windows = ProgramWindows();
  if (windows.empty()) {
    std::puts("no main window");
    return 1;
  }
  for (HWND hwnd : windows) {
    const ComPtr<IAccessible> frame = FrameOf(hwnd);
    std::printf("window %s, %s\n", hwnd == windows.front() ? "main" : "owned",
                IsWindowVisible(hwnd) ? "shown" : "hidden");
    if (!frame) {
      std::puts("  no accessible object");
      continue;
    }
    std::function<void(const ComPtr<IAccessible>&, int)> print =
        [&](const ComPtr<IAccessible>& object, int depth) {
          const Node n = Read(object);
          std::printf("%*s%s %s", 2 * depth + 2, "", n.role.c_str(), Quoted(n.name).c_str());
          if (!n.description.empty()) std::printf(" description=%s", Quoted(n.description).c_str());
          if (n.states) std::printf(" states=%s", Quoted(States(n.states)).c_str());
          if (!n.action.empty()) std::printf(" action=%s", Quoted(n.action).c_str());
          std::printf("\n");
          if (depth < 4)
            for (const auto& child : Children(object)) print(child, depth + 1);
        };
    print(frame, 0);
  }
  return 0;
}

int PressCommand(const std::string& name) {
  for (HWND hwnd : ProgramWindows()) {
    const ComPtr<IAccessible> frame = FrameOf(hwnd);
    if (!frame) continue;
    ComPtr<IAccessible> target;
    Walk(frame, 0, [&](const Node& n) {
      if (!target && n.name == name && !n.action.empty()) target = n.object;
      return !target;
    });
    if (!target) continue;
    const HRESULT hr = target->accDoDefaultAction(Self());
    std::printf("pressed %s: 0x%08lx\n", Quoted(name).c_str(), static_cast<unsigned long>(hr));
    return hr == S_OK ? 0 : 1;
  }
  std::printf("no control %s\n", Quoted(name).c_str());
  return 1;
}

void Pump(DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  MSG msg;
  while (GetTickCount() < until) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  const char* what = event == EVENT_OBJECT_NAMECHANGE          ? "name"
                     : event == EVENT_OBJECT_DESCRIPTIONCHANGE ? "description"
                     : event == EVENT_OBJECT_STATECHANGE       ? "state"
                     : event == EVENT_OBJECT_LIVEREGIONCHANGED ? "live region"
                                                               : nullptr;
  if (!what) return;
  ComPtr<IAccessible> source;
  VARIANT id;
  VariantInit(&id);
  if (FAILED(AccessibleObjectFromEvent(hwnd, DWORD(object), DWORD(child), source.Out(), &id)) ||
      !source)
    return;
  const Node n = Read(source);
  std::printf("heard %s: %s %s", what, n.role.c_str(), Quoted(n.name).c_str());
  if (event == EVENT_OBJECT_DESCRIPTIONCHANGE)
    std::printf(" description=%s", Quoted(n.description).c_str());
  std::printf("\n");
  std::fflush(stdout);
}

int ListenCommand(int seconds) {
  const HWND main = MainWindow();
  DWORD process = 0;
  if (!main || !GetWindowThreadProcessId(main, &process)) {
    std::puts("no main window");
    return 1;
  }
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr, Heard,
                      process, 0, WINEVENT_OUTOFCONTEXT);
  if (!hook) return 1;
  std::puts("listening");
  std::fflush(stdout);
  Pump(DWORD(seconds) * 1000);
  UnhookWinEvent(hook);
  return 0;
}

int FocusCommand(int seconds) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TestClientWindow";
  RegisterClassW(&wc);
  const HWND mine = CreateWindowExW(0, wc.lpszClassName, L"Test client", WS_POPUP | WS_VISIBLE, 900,
                                    600, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
  if (!mine) return 1;
  SetForegroundWindow(mine);
  std::puts("focused");
  std::fflush(stdout);
  Pump(DWORD(seconds) * 1000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (FAILED(CoInitialize(nullptr))) return 2;
  const std::string command = argc > 1 ? argv[1] : "";
  int status = 2;
  if (command == "walk") {
    status = WalkCommand();
  } else if (command == "press" && argc > 2) {
    status = PressCommand(argv[2]);
  } else if (command == "listen" && argc > 2) {
    status = ListenCommand(std::atoi(argv[2]));
  } else if (command == "appcommand" && argc > 2) {
    const HWND main = MainWindow();
    status =
        main && PostMessageW(main, WM_APPCOMMAND, WPARAM(main), MAKELPARAM(0, std::atoi(argv[2])))
            ? 0
            : 1;
  } else if (command == "button" && argc > 4) {
    const HWND main = MainWindow();
    const bool down = std::strcmp(argv[2], "down") == 0;
    // What Windows sends for the button acting as the left one, whichever it is.
    status = main && PostMessageW(main, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
                                  MAKELPARAM(std::atoi(argv[3]), std::atoi(argv[4])))
                 ? 0
                 : 1;
  } else if (command == "swapped") {
    std::printf("swapped %d\n", GetSystemMetrics(SM_SWAPBUTTON));
    status = 0;
  } else if (command == "focus" && argc > 2) {
    status = FocusCommand(std::atoi(argv[2]));
  }
  std::fflush(stdout);
  CoUninitialize();
  return status;
}
