// The program's one settings record: window positions, station, application folder
// and the cover window's state. Loaded from and saved to preferences.json.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sp {

struct AppDataRecord {
  std::int64_t WindowX = 0;
  std::int64_t WindowY = 0;
  std::int64_t WindowW = 0;
  std::int64_t WindowH = 0;
  std::string MainStation;
  std::string Preferences;  // the application folder, ending in the platform's separator
  std::int64_t cWinX = 0;
  std::int64_t cWinY = 0;
  std::int64_t cWinOpen = 0;
  std::int64_t cWindDock = 0;

  void Clear() { *this = AppDataRecord{}; }
  friend bool operator==(const AppDataRecord&, const AppDataRecord&) = default;
};

// GUI thread writes it; the watcher reads MainStation and Preferences, which do not
// change after start-up.
inline AppDataRecord AppData;

inline constexpr std::int64_t kMainWindowWidth = 730;
inline constexpr std::int64_t kMainWindowHeight = 195;
inline constexpr char kStation[] = "tidemark";
inline constexpr char kStationName[] = "Tidemark Drum and Bass FM";
// Below the user's configuration folder, one folder in the other.
inline constexpr char kAppFolderParent[] = "lumo";
// The files the program keeps in the application folder. No downloaded cover may
// take one of these names.
inline constexpr std::array<std::string_view, 2> kAppFolderFiles = {"preferences.json",
                                                                    "cover.txt"};

}  // namespace sp
