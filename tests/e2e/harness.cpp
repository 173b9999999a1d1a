#include "tests/e2e/harness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

void Pause() {
  std::this_thread::sleep_for(20ms);
}

// Windows come and go while we look at them; a request about a vanished one is not
// a test failure.
int IgnoreXErrors(Display*, XErrorEvent*) {
  return 0;
}

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const auto eq = entry.find('=');
    if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [k, v] : extra) env[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

TempDir::TempDir() {
  char tmpl[] = "/tmp/sp-e2e-XXXXXX";
  if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

Process::Process(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& env, const std::string& output_file) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_file.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);

  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const auto env_strings = MergedEnvironment(env);
  std::vector<char*> envp;
  for (const auto& e : env_strings) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  const int rc = posix_spawnp(&pid_, args[0], &actions, &attr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
}

Process::~Process() {
  Kill();
}

bool Process::Running() {
  return !WaitExit(0ms).has_value();
}

std::optional<int> Process::WaitExit(std::chrono::milliseconds timeout) {
  if (status_) return status_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
      return status_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    Pause();
  }
}

void Process::Kill() {
  if (pid_ <= 0 || group_gone_) return;
  if (!status_) {
    ::kill(-pid_, SIGTERM);
    if (!WaitExit(3s)) {
      ::kill(-pid_, SIGKILL);
      WaitExit(5s);
    }
  }
  // Helpers in the group (WebKit's processes, GStreamer's plugin scanner) can outlive
  // the leader for a moment and write into a home that is about to be removed.
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  bool alive = true;
  while ((alive = ::kill(-pid_, 0) == 0) && std::chrono::steady_clock::now() < deadline) Pause();
  if (alive) ::kill(-pid_, SIGKILL);
  group_gone_ = true;  // its number may name another group from now on
}

Xvfb::Xvfb(int width, int height) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe");
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  server_.emplace(
      std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                               "-dpi", "96", "-nolisten", "tcp", "-noreset"},
      std::map<std::string, std::string>{});
  ::close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  char buf[32];
  while (::poll(&p, 1, 15000) > 0) {
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, std::size_t(n));
    if (number.find('\n') != std::string::npos) break;
  }
  ::close(fds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (number.empty()) throw std::runtime_error("Xvfb did not start");
  name_ = ":" + number;
  XSetErrorHandler(IgnoreXErrors);
  display_ = XOpenDisplay(name_.c_str());
  if (!display_) throw std::runtime_error("cannot open " + name_);
}

Xvfb::~Xvfb() {
  if (display_) XCloseDisplay(display_);
}

std::string Xvfb::WindowTitle(XWindowId window) {
  Atom net_name = XInternAtom(display_, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
  Atom type;
  int format;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display_, window, net_name, 0, 1024, False, utf8, &type, &format, &items,
                         &after, &data) == Success &&
      data) {
    title.assign(reinterpret_cast<char*>(data), items);
  }
  if (data) XFree(data);
  if (title.empty()) {
    char* name = nullptr;
    if (XFetchName(display_, window, &name) && name) title = name;
    if (name) XFree(name);
  }
  return title;
}

std::pair<std::string, std::string> Xvfb::WindowClass(XWindowId window) {
  XClassHint hint{};
  std::pair<std::string, std::string> names;
  if (XGetClassHint(display_, window, &hint)) {
    if (hint.res_name) names.first = hint.res_name;
    if (hint.res_class) names.second = hint.res_class;
  }
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return names;
}

bool Xvfb::Viewable(XWindowId window) {
  XWindowAttributes a;
  return XGetWindowAttributes(display_, window, &a) && a.map_state == IsViewable;
}

int Xvfb::CountPopups() {
  Window root_return, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  int popups = 0;
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root_return, &parent, &children, &count))
    return 0;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(display_, children[i], &a) && a.map_state == IsViewable &&
        a.override_redirect)
      ++popups;
  }
  if (children) XFree(children);
  return popups;
}

std::optional<XWindowId> Xvfb::FindWindow(const std::string& title,
                                          std::chrono::milliseconds timeout) {
  // Top-level windows are children of the root, or grandchildren inside a window
  // manager's frame.
  std::function<std::optional<XWindowId>(Window, int)> search = [&](Window parent_window,
                                                                    int depth) {
    Window root_return, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    std::optional<XWindowId> found;
    if (!XQueryTree(display_, parent_window, &root_return, &parent, &children, &count))
      return found;
    for (unsigned int i = 0; i < count && !found; ++i) {
      if (Viewable(children[i]) && WindowTitle(children[i]) == title) found = children[i];
      if (!found && depth > 0) found = search(children[i], depth - 1);
    }
    if (children) XFree(children);
    return found;
  };
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    if (auto found = search(DefaultRootWindow(display_), 2)) return found;
    Pause();
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

void Xvfb::StartWindowManager() {
  window_manager_.emplace(std::vector<std::string>{"openbox"},
                          std::map<std::string, std::string>{{"DISPLAY", name_}});
  // Wait until it has taken the root window over.
  Atom check = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
  for (int i = 0; i < 250; ++i) {
    Atom type;
    int format;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display_, DefaultRootWindow(display_), check, 0, 1, False, XA_WINDOW, &type,
                       &format, &items, &after, &data);
    if (data) XFree(data);
    if (items > 0) return;
    Pause();
  }
}

Geometry Xvfb::WindowGeometry(XWindowId window) {
  XWindowAttributes a;
  XGetWindowAttributes(display_, window, &a);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
  return {x, y, a.width, a.height};
}

bool Xvfb::HasDecorations(XWindowId window) {
  Atom hints = XInternAtom(display_, "_MOTIF_WM_HINTS", False);
  Atom type;
  int format;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  bool decorated = true;
  if (XGetWindowProperty(display_, window, hints, 0, 5, False, AnyPropertyType, &type, &format,
                         &items, &after, &data) == Success &&
      data && items >= 3) {
    const auto* v = reinterpret_cast<const long*>(data);
    if (v[0] & 2) decorated = v[2] != 0;  // MWM_HINTS_DECORATIONS
  }
  if (data) XFree(data);
  return decorated;
}

std::pair<int, int> Xvfb::IconSize(XWindowId window) {
  Atom icon = XInternAtom(display_, "_NET_WM_ICON", False);
  Atom type;
  int format;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::pair<int, int> size{0, 0};
  if (XGetWindowProperty(display_, window, icon, 0, 2, False, XA_CARDINAL, &type, &format, &items,
                         &after, &data) == Success &&
      data && items == 2) {
    const auto* v = reinterpret_cast<const long*>(data);
    size = {int(v[0]), int(v[1])};
  }
  if (data) XFree(data);
  return size;
}

std::optional<XWindowId> Xvfb::FindOwnedWindow(XWindowId owner, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    // Top-level windows, or their children inside a window manager's frames.
    Window root_return, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> candidates;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root_return, &parent, &children,
                   &count)) {
      for (unsigned int i = 0; i < count; ++i) {
        candidates.push_back(children[i]);
        Window* inner = nullptr;
        unsigned int inner_count = 0;
        if (XQueryTree(display_, children[i], &root_return, &parent, &inner, &inner_count)) {
          candidates.insert(candidates.end(), inner, inner + inner_count);
          if (inner) XFree(inner);
        }
      }
      if (children) XFree(children);
    }
    for (Window w : candidates) {
      Window transient_for = 0;
      if (XGetTransientForHint(display_, w, &transient_for) && transient_for == owner) return w;
    }
    Pause();
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

bool Xvfb::HasWmState(XWindowId window, const std::string& state) {
  const Atom wanted = XInternAtom(display_, state.c_str(), False);
  Atom type;
  int format;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_STATE", False), 0, 64,
                         False, XA_ATOM, &type, &format, &items, &after, &data) == Success &&
      data) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < items; ++i) found = found || atoms[i] == wanted;
  }
  if (data) XFree(data);
  return found;
}

bool Xvfb::StackedAbove(XWindowId upper, XWindowId lower) {
  Atom type;
  int format;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  long upper_at = -1, lower_at = -1;
  if (XGetWindowProperty(display_, DefaultRootWindow(display_),
                         XInternAtom(display_, "_NET_CLIENT_LIST_STACKING", False), 0, 1024, False,
                         XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
      data) {
    // Bottom to top.
    const auto* windows = reinterpret_cast<const Window*>(data);
    for (unsigned long i = 0; i < items; ++i) {
      if (windows[i] == upper) upper_at = long(i);
      if (windows[i] == lower) lower_at = long(i);
    }
  }
  if (data) XFree(data);
  return upper_at >= 0 && lower_at >= 0 && upper_at > lower_at;
}

std::vector<Rgb> Xvfb::Pixels(const Geometry& area) {
  std::vector<Rgb> out;
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.x, area.y,
                            unsigned(area.width), unsigned(area.height), AllPlanes, ZPixmap);
  if (!image) return out;
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      out.push_back({int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)});
    }
  XDestroyImage(image);
  return out;
}

Rgb Xvfb::Pixel(int x, int y) {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return {-1, -1, -1};
  const unsigned long p = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
}

int Xvfb::CountPixels(const Geometry& area, Rgb colour) {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.x, area.y,
                            unsigned(area.width), unsigned(area.height), AllPlanes, ZPixmap);
  if (!image) return 0;
  int count = 0;
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      count += Rgb{int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)} == colour;
    }
  XDestroyImage(image);
  return count;
}

Rgb Xvfb::WaitPixel(int x, int y, Rgb colour, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  Rgb seen = Pixel(x, y);
  while (!(seen == colour) && std::chrono::steady_clock::now() < deadline) {
    Pause();
    seen = Pixel(x, y);
  }
  return seen;
}

void Xvfb::SavePng(const std::string& path, const Geometry& area) {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.x, area.y,
                            unsigned(area.width), unsigned(area.height), AllPlanes, ZPixmap);
  if (!image) return;
  const std::string ppm = path + ".ppm";
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << area.width << " " << area.height << "\n255\n";
    for (int y = 0; y < area.height; ++y)
      for (int x = 0; x < area.width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        const char rgb[3] = {char((p >> 16) & 0xFF), char((p >> 8) & 0xFF), char(p & 0xFF)};
        out.write(rgb, 3);
      }
  }
  XDestroyImage(image);
  const std::string cmd = "convert '" + ppm + "' '" + path + "' 2>/dev/null && rm -f '" + ppm + "'";
  if (std::system(cmd.c_str()) != 0) std::rename(ppm.c_str(), path.c_str());
}

void Xvfb::MovePointer(int x, int y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  Sync();
}

void Xvfb::PressLeft() {
  PressButton(1);
}

void Xvfb::ReleaseLeft() {
  ReleaseButton(1);
}

void Xvfb::PressButton(unsigned button) {
  XTestFakeButtonEvent(display_, button, True, CurrentTime);
  Sync();
}

void Xvfb::ReleaseButton(unsigned button) {
  XTestFakeButtonEvent(display_, button, False, CurrentTime);
  Sync();
}

void Xvfb::ClickLeft() {
  PressLeft();
  ReleaseLeft();
}

void Xvfb::ClickRight() {
  XTestFakeButtonEvent(display_, 3, True, CurrentTime);
  XTestFakeButtonEvent(display_, 3, False, CurrentTime);
  Sync();
}

void Xvfb::TurnWheel(int steps) {
  const unsigned button = steps > 0 ? 5 : 4;
  for (int i = 0; i < (steps > 0 ? steps : -steps); ++i) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
  }
  Sync();
}

void Xvfb::PressKey(const std::string& keysym_name) {
  const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym_name.c_str()));
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  Sync();
}

void Xvfb::MoveWindow(XWindowId window, int x, int y) {
  XMoveWindow(display_, window, x, y);
  Sync();
}

void Xvfb::SendClientMessage(XWindowId target, XWindowId window, const char* type, long data0,
                             long event_mask) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display_, type, False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = data0;
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, target, False, event_mask, &event);
  Sync();
}

void Xvfb::Activate(XWindowId window) {
  // Source 2, a pager: the window manager obeys at once.
  SendClientMessage(DefaultRootWindow(display_), window, "_NET_ACTIVE_WINDOW", 2,
                    SubstructureRedirectMask | SubstructureNotifyMask);
}

void Xvfb::RequestClose(XWindowId window) {
  SendClientMessage(window, window, "WM_PROTOCOLS",
                    long(XInternAtom(display_, "WM_DELETE_WINDOW", False)), NoEventMask);
}

void Xvfb::Sync() {
  XSync(display_, False);
}

Program::Program(Xvfb& display, const TempDir& home, ProgramOptions options)
    : log_(home.path() + "/program.log"),
      process_(
          [&] {
            if (!options.exe.empty()) return std::vector<std::string>{options.exe};
            return std::vector<std::string>{options.faults_build ? STATIONPLAYER_FAULTS_EXE
                                                                 : STATIONPLAYER_EXE};
          }(),
          [&] {
            std::map<std::string, std::string> env = {
                {"HOME", home.path()},
                {"XDG_CONFIG_HOME", home.path() + "/.config"},
                {"XDG_DATA_HOME", home.path() + "/.local/share"},
                {"XDG_CACHE_HOME", home.path() + "/.cache"},
                {"DISPLAY", display.name()},
                {"GDK_BACKEND", "x11"},
                // No session bus unless a test brings one: otherwise the first
                // client would start one through X11, left running after the test.
                {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.path() + "/no-session-bus"},
            };
            if (!options.accessibility) env["NO_AT_BRIDGE"] = "1";
            for (const auto& [k, v] : options.env) env[k] = v;
            return env;
          }(),
          home.path() + "/program.log"),
      config_home_(home.path() + "/.config") {}

std::string Program::Log() const {
  return ReadFile(log_);
}

std::string Program::AppFolder() const {
  return config_home_ + "/lumo/Tidemark Drum and Bass FM/";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace e2e
