#include "ui/main_window.h"

#include <string>

#include "app/app_data.h"
#include "app/startup.h"
#include "platform/events.h"
#include "platform/geometry.h"
#include "platform/startup_steps.h"
#include "platform/ui.h"
#include "player/player_page.h"
#include "station/song_watcher.h"
#include "ui/cover_window.h"
#include "ui/docking.h"
#include "ui/now_playing.h"
#include "ui/placement.h"
#include "ui/title_buttons.h"
#include "ui/window_hook.h"

namespace sp {
namespace {

constexpr Rgb kWindowBackground{33, 33, 33};
constexpr Rgb kStrip{76, 74, 72};
constexpr Rgb kTitleColour{234, 234, 234};
constexpr Rgb kTimeLeftColour{124, 134, 160};
constexpr Rgb kBlack{0, 0, 0};

void Strip(ControlId id, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
           const std::string& text, const TextStyle& style) {
  ui::CreateTextStrip({WindowId::Main, id, x, y, w, h}, text, style);
}

// What a screen reader finds: the buttons by name, the texts as labels, and nothing
// of the strips that only frame the window.
void DescribeMainWindow() {
  for (ControlId id : {ControlId::TitleGap, ControlId::BorderBottom, ControlId::BorderLeft,
                       ControlId::BorderRight})
    ui::DescribeControl(id, a11y::Decoration());
  for (ControlId id : {ControlId::TitleText, ControlId::TimeLeftLabel})
    ui::DescribeControl(id, a11y::Label());
  DescribeCoverThumb("");
  // In reading order after the cover: the song on air (its text comes with the first
  // redraw), then the countdown under its caption, which changes every second and so is
  // read when the keyboard reaches it, never announced; last the player.
  ui::DescribeControl(ControlId::NowPlayingPanel, a11y::ReadingStop(""));
  AccessInfo countdown = a11y::ReadingStop("");
  countdown.labelled_by = ControlId::TimeLeftLabel;
  ui::DescribeControl(ControlId::TimeLeftValue, countdown);
  ui::DescribeControl(ControlId::PlayerView, a11y::TabStop());
}

void OnMainCloseRequest(const Event&) {
  ShutdownApp();
}

[[noreturn]] void FailToOpen() {
  ui::ShowMessageBox("Info", "Could not open main window.\r\rApp terminated!");
  EndProgram();
}

}  // namespace

int OpenMainWindow() {
  ResetWindowHook();
  const std::int64_t W = kMainWindowWidth;
  const std::string title = std::string(kStationName) + " - " + AppData.MainStation;
  const Point stored{AppData.WindowX, AppData.WindowY};
  Point at = ReachablePosition(WindowId::Main, stored);
  // Rescued with docking on: low enough that the docked cover window, which stands 127
  // units higher, opens in reach too; above the work area a window manager would push
  // it down and the main window would follow it.
  if (at != stored && AppData.cWindDock == 1) at.y = SaturatingAdd(at.y, -kDockOffsetY);
  if (!ui::CreateWindow({WindowId::Main, title, at.x, at.y, W, kMainWindowHeight, kWindowBackground,
                         WindowId::None}))
    FailToOpen();
  // Opening elsewhere is the program's own move: the stored place stays (and is
  // written back) until the user moves the window.
  if (at != stored) PlaceWindow(WindowId::Main, at);

  const TextStyle strip{kStrip, kStrip, FontId::Default, TextAlign::TopLeft};
  Strip(ControlId::TitleText, 1, 0, 629, 25, "  " + std::string(kStationName) + "  ",
        {kTitleColour, kStrip, FontId::Default, TextAlign::CentreVertically});
  DrawSubscribeButton();
  DrawMinimizeButton();
  Strip(ControlId::TitleGap, W - 54, 0, 8, 25, "", strip);
  DrawCloseButton();
  Strip(ControlId::BorderBottom, 1, 194, 729, 1, "", strip);
  Strip(ControlId::BorderLeft, 1, 25, 1, 171, "", strip);
  Strip(ControlId::BorderRight, 729, 25, 1, 171, "", strip);

  ui::CreateCanvas({WindowId::Main, ControlId::CoverThumb, 2, 26, 168, 168});
  Bind(EventClass::Control, WindowId::Main, ControlId::CoverThumb, kAny, OnCoverThumb);
  ui::CreateCanvas({WindowId::Main, ControlId::NowPlayingPanel, 170, 26, 559, 101});
  Bind(EventClass::Control, WindowId::Main, ControlId::NowPlayingPanel, kAny, OnNowPlayingPanel);

  const TextStyle time_left{kTimeLeftColour, kBlack, FontId::UiMedium, TextAlign::TopLeft};
  Strip(ControlId::TimeLeftLabel, 169, 127, 106, 27, "    Time Left    :", time_left);
  Strip(ControlId::TimeLeftValue, 275, 127, 453, 27, "", time_left);
  ui::CreateWebView({WindowId::Main, ControlId::PlayerView, 170, 154, 558, 40});
  DescribeMainWindow();

  BuildCoverWindow();
  Bind(EventClass::CloseRequest, Num(WindowId::Main), kAny, kAny, OnMainCloseRequest);

  Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::CoverThumb),
       event_type::RedrawRequest);
  Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::NowPlayingPanel),
       event_type::RedrawRequest);

  BuildPlayerPage(ControlId::PlayerView, AppData.MainStation);
  ui::MarkStartupStep("page set");
  ui::ShowWindow(WindowId::Main);

  // The cover window comes back as it was left; docked means beside the main window,
  // wherever the file says it was.
  if (AppData.cWinOpen == 1) {
    Point cover_at;
    if (AppData.cWindDock == 1) {
      const Point docked = DockedCoverAt(stored);
      AppData.cWinX = docked.x;
      AppData.cWinY = docked.y;
      cover_at = DockedCoverAt(at);
    } else {
      cover_at = ReachablePosition(WindowId::Cover, {AppData.cWinX, AppData.cWinY});
    }
    if (cover_at != Point{AppData.cWinX, AppData.cWinY}) {
      PlaceWindow(WindowId::Cover, cover_at);
    } else {
      ui::MoveWindow(WindowId::Cover, cover_at.x, cover_at.y);
    }
    ui::ShowWindow(WindowId::Cover);
  }

  Bind(EventClass::App, kAny, kAny, kAny, OnAppEvent);
  StartSongWatcher();
  ui::MarkStartupStep("watcher started");
  ui::InstallWindowHook(WindowHook);
  return 0;
}

void OnAppEvent(const Event& event) {
  const auto* text = std::any_cast<std::string>(&event.data);
  if (!text) return;
  if (event.type == event_type::CoverCaption) {
    ui::SetControlText(ControlId::CoverCaption, *text);
    DescribeCoverThumb(*text);
  } else if (event.type == event_type::TimeLeft) {
    ui::SetControlText(ControlId::TimeLeftValue, *text);
  }
}

}  // namespace sp
