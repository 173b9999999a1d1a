#include "app/startup.h"

#include <cstdio>

#include "app/app_data.h"
#include "app/preferences.h"
#include "app/remote_session.h"
#include "build_config.h"
#include "covers/builtin_images.h"
#include "covers/cover_slots.h"
#include "platform/events.h"
#include "platform/file_names.h"
#include "platform/files.h"
#include "platform/image_store.h"
#include "platform/startup_steps.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "player/stream_watch.h"
#include "station/http_get.h"
#include "station/song_watcher.h"
#include "ui/main_window.h"
#include "ui/title_buttons.h"

namespace sp {
namespace {

void LoadFonts() {
  const Dpi& dpi = ui::ScreenDpi();
  text::CreateFont(FontId::UiSmall, "Segoe UI", dpi.FontPx(11));
  text::CreateFont(FontId::UiMedium, "Segoe UI", dpi.FontPx(12));
  text::CreateFont(FontId::UiLarge, "Segoe UI", dpi.FontPx(14));
  text::CreateFont(FontId::Button, "Arial", dpi.FontPx(9));
}

}  // namespace

std::string ComputeAppFolder(const std::string& config_folder) {
  // In the platform's own form, which is also how preferences.json records it.
  const char separator = files::kSeparator;
  std::string folder = config_folder;
  if (!folder.empty() && folder.back() != separator) folder += separator;
  return folder + kAppFolderParent + separator + kStationName + separator;
}

int RunProgram() {
  if (!ui::Init(config::kAppId)) {
    std::fputs("stationplayer: cannot open the display; is DISPLAY set?\n", stderr);
    return 0;
  }
  ui::MarkStartupStep("toolkit up");
  // Before the web engine starts threads of its own: the HTTP library's set-up is not
  // safe while other threads run.
  InitHttp();
  // The web engine's helpers take longer to come up than everything up to the web
  // view's creation: started first, they come up meanwhile.
  ui::WarmUpWebView();
  StreamLag = 42;
  CreateButtonStates();
  AppData.Preferences = ComputeAppFolder(ui::UserConfigFolder());
  files::CreateFolderPath(AppData.Preferences);
  LoadFonts();
  ui::MarkStartupStep("fonts");
  ui::HandlePending();
  LoadBuiltInImages();
  ui::SetProgramIcon(ImageId::DefaultCoverThumb);
  ui::MarkStartupStep("built-in pictures");
  ui::HandlePending();
  LoadPreferences();
  ui::MarkStartupStep("preferences read");
  ThumbCover = ImageId::DefaultCoverThumb;
  HoverCover = ImageId::DefaultCoverHover;
  LargeCover = ImageId::DefaultCoverLarge;
  OpenMainWindow();
  // From here on the record holds what the user arranges, so a session that ends keeps
  // it as the close button would; before, an end from outside has nothing to lose.
  ui::OnEndRequest(ShutdownApp);
  StartStreamWatch(ControlId::PlayerView);
  StartRemoteSession();
  ui::RunLoop();
  return 0;
}

void ShutdownApp() {
  StopSongWatcher();
  SavePreferences();
  EndProgram();
}

void EndProgram() {
  // Ending the process frees the rest; the watcher is not waited for.
  ui::EndProcess();
}

}  // namespace sp
