// preferences.json in the application folder: read into AppData at start-up, written
// from it at exit.
#include "app/preferences.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>

#include "app/app_data.h"
#include "app/preferences_json.h"
#include "platform/file_names.h"
#include "platform/files.h"

namespace sp {
namespace {

// The file is a few hundred bytes. A far larger one is not ours and is treated as
// unreadable, so it costs neither start-up time nor memory.
constexpr std::size_t kMaxPreferencesBytes = std::size_t{1} << 20;

std::string WithSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// No separator is added: a folder without a trailing "/" glues the name to it.
std::string PreferencesPath() {
  return AppData.Preferences + "preferences.json";
}

}  // namespace

bool LoadPreferences() {
  std::optional<AppDataRecord> read;
  if (const auto text = files::ReadSmallFile(PreferencesPath(), kMaxPreferencesBytes))
    read = ParsePreferences(*text);

  if (read) {
    // Earlier Windows builds wrote the folder computed at start-up with "/": that is
    // the same folder, kept from now on in the form Windows gives.
    if (files::kSeparator != '/' &&
        WithSlashes(read->Preferences) == WithSlashes(AppData.Preferences))
      read->Preferences = AppData.Preferences;
    // Replaces every field, the application folder included.
    AppData = *read;
  } else {
    AppData.WindowX = AppData.WindowY = AppData.cWinX = AppData.cWinY = 0;
  }
  AppData.WindowW = kMainWindowWidth;
  AppData.WindowH = kMainWindowHeight;
  AppData.MainStation = kStation;
  return read.has_value();
}

bool SavePreferences() {
  return files::ReplaceFile(PreferencesPath(), FormatPreferences(AppData));
}

}  // namespace sp
