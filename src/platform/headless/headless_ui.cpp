#include <string>

#include "platform/backend.h"
#include "platform/events.h"
#include "platform/headless/headless.h"
#include "platform/image_store.h"
#include "platform/startup_steps.h"

namespace sp::headless {

World& TheWorld() {
  static World world;
  return world;
}

void Reset() {
  TheWorld() = World{};
  controls::Clear();
  Router().Clear();
  DispatchPosted();
  images::ReleaseAll();
}

}  // namespace sp::headless

namespace sp::backend {

bool AddControlWidget(const ui::ControlSpec& desc, ControlKind, int, int) {
  auto& w = headless::TheWorld();
  if (!w.windows.count(Num(desc.window))) return false;
  w.control_specs[Num(desc.id)] = desc;
  return true;
}

void DescribeControlWidget(ControlId id, const AccessInfo& info, bool announce) {
  auto& w = headless::TheWorld();
  w.described[Num(id)] = info;
  if (announce) w.announced.push_back(info.announcement);
}

}  // namespace sp::backend

namespace sp::ui {

using headless::TheWorld;

bool Init(const std::string&) {
  return true;
}
const Dpi& ScreenDpi() {
  static const Dpi dpi;
  return dpi;
}
int PixelScale() {
  return TheWorld().pixel_scale;
}
std::optional<ScreenLayout> Screens() {
  return TheWorld().screens;
}
std::string UserConfigFolder() {
  return TheWorld().config_folder;
}
void RunLoop() {
  DispatchPosted();
}
void EndProcess() {
  ++TheWorld().end_count;
  throw headless::ProcessEnded{};
}
void OnEndRequest(void (*handler)()) {
  TheWorld().end_request = handler;
}
void SetProgramIcon(ImageId) {}
void ShowMessageBox(const std::string& title, const std::string& text) {
  TheWorld().message_boxes.push_back(title + "|" + text);
}
void OpenUrl(const std::string& url) {
  TheWorld().opened_urls.push_back(url);
}

bool CreateWindow(const WindowSpec& desc) {
  auto& w = TheWorld();
  if (w.fail_windows || desc.id == WindowId::None || w.windows.count(Num(desc.id))) return false;
  w.windows[Num(desc.id)] = {desc, {desc.x, desc.y}, false, false};
  return true;
}

namespace {
headless::WindowRecord* Find(WindowId id) {
  auto it = TheWorld().windows.find(Num(id));
  return it == TheWorld().windows.end() ? nullptr : &it->second;
}
}  // namespace

bool WindowExists(WindowId id) {
  return Find(id) != nullptr;
}
std::string WindowTitle(WindowId id) {
  auto* r = Find(id);
  return r ? r->desc.title : "";
}
void ShowWindow(WindowId id) {
  if (auto* r = Find(id)) r->visible = true;
}
void HideWindow(WindowId id) {
  if (auto* r = Find(id)) r->visible = false;
}
bool IsWindowVisible(WindowId id) {
  auto* r = Find(id);
  return r && r->visible;
}
void MinimizeWindow(WindowId id) {
  if (auto* r = Find(id)) r->minimized = true;
}
void DescribeWindow(WindowId id, const std::string& name) {
  if (auto* r = Find(id)) r->access_name = name;
}
void PresentWindow(WindowId id) {
  if (auto* r = Find(id)) {
    r->minimized = false;
    r->visible = true;
    ++r->presented;
  }
}
bool IsWindowMinimized(WindowId id) {
  auto* r = Find(id);
  return r && r->minimized;
}
void MoveWindow(WindowId id, std::int64_t x, std::int64_t y) {
  if (auto* r = Find(id)) {
    r->position = {x, y};
    // Like a real window system, a move is reported to the hook.
    SendWindowMessage(id, WindowMessage::Move);
  }
}
std::optional<Point> WindowPosition(WindowId id) {
  auto* r = Find(id);
  if (!r) return std::nullopt;
  return r->position;
}
std::optional<Point> PointerInClient(WindowId) {
  return TheWorld().pointer;
}
void BeginWindowMove(WindowId id) {
  TheWorld().move_starts.push_back(id);
}
void InstallWindowHook(WindowHook hook) {
  TheWorld().hook = hook;
}
void SendWindowMessage(WindowId id, WindowMessage message) {
  if (TheWorld().hook) TheWorld().hook(id, message);
}

void Repaint(ControlId id) {
  ++TheWorld().repaints[Num(id)];
}

// The headless web view costs nothing to start, and the tests keep no timeline.
void WarmUpWebView() {}
void HandlePending() {}
void MarkStartupStep(const char*) {}

bool CreateWebView(const ControlSpec& desc) {
  auto& w = TheWorld();
  if (w.fail_web_view || !w.windows.count(Num(desc.window))) return false;
  controls::Add(desc.id, ControlKind::WebView, desc.window, 0, 0);
  w.control_specs[Num(desc.id)] = desc;
  w.web_pages[Num(desc.id)] = "";
  return true;
}

bool RunWebViewScript(ControlId id, const std::string& script) {
  if (!TheWorld().web_pages.count(Num(id))) return false;
  TheWorld().web_scripts.push_back(script);
  return true;
}

void StartTimer(TimerId id, std::chrono::milliseconds delay, void (*handler)()) {
  TheWorld().timers[Num(id)] = {delay, handler};
}

void StopTimer(TimerId id) {
  TheWorld().timers.erase(Num(id));
}

bool SetWebViewHtml(ControlId id, const std::string& html) {
  auto& pages = TheWorld().web_pages;
  auto it = pages.find(Num(id));
  if (it == pages.end()) return false;
  it->second = html;
  return true;
}

}  // namespace sp::ui
