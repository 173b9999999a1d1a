// Placeholder until the preferences file is read and written: every start uses the
// defaults of a missing file.
#include "app/preferences.h"

#include "app/app_data.h"

namespace sp {

bool LoadPreferences() {
  AppData.WindowX = AppData.WindowY = AppData.cWinX = AppData.cWinY = 0;
  AppData.WindowW = kMainWindowWidth;
  AppData.WindowH = kMainWindowHeight;
  AppData.MainStation = kStation;
  return false;
}

bool SavePreferences() {
  return false;
}

}  // namespace sp
