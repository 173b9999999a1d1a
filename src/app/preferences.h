// preferences.json in the application folder: read once at start-up, written once at exit.
#pragma once

namespace sp {

// Fills AppData from AppData.Preferences + "preferences.json". True when the file
// was read as JSON.
bool LoadPreferences();
// Writes AppData to AppData.Preferences + "preferences.json". True when written completely.
bool SavePreferences();

}  // namespace sp
