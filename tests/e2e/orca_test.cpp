// The program as the screen reader Orca presents it, line by line as Orca speaks:
// the window and the song at start, each Tab stop in turn, the song read row by row, a
// new song announced once (and the countdown never), the way into the player's page and
// out of it, and the cover window opening.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <regex>
#include <sstream>

#include "sim_process.h"
#include "tests/e2e/a11y_bus.h"
#include "tests/e2e/audio.h"
#include "tests/e2e/commands.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/screen_reader.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

std::string Quoted(const std::vector<std::string>& lines) {
  std::ostringstream out;
  for (const std::string& line : lines) out << "\n  '" << line << "'";
  return out.str();
}

class OrcaE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The toolkit talks to the accessibility bus only when nothing turned that off.
    ::unsetenv("NO_AT_BRIDGE");
    ::unsetenv("GTK_MODULES");
    ASSERT_TRUE(sim.ok());
    display.StartWindowManager();
    ASSERT_FALSE(a11y_bus.address().empty()) << a11y_bus.Log();
    ASSERT_TRUE(pulse.ready());
    orca.emplace(home.path() + "/orca", display, bus, pulse);
    ASSERT_TRUE(orca->ready()) << orca->Diagnostics();
  }

  // Waits for a line Orca speaks from now on: `wanted` exactly, or matching it as a
  // pattern; only the lines in `between` may come before it. After a line that never
  // came, the steps that follow are skipped.
  void Hear(const std::string& wanted, const std::vector<std::string>& between = {},
            bool pattern = false) {
    if (HasFatalFailure()) return;
    const std::optional<std::regex> re = pattern ? std::optional<std::regex>(wanted) : std::nullopt;
    const auto heard = orca->WaitFor(
        next_,
        [&](const std::string& line) { return re ? std::regex_match(line, *re) : line == wanted; },
        15s);
    ASSERT_TRUE(heard) << "never heard '" << wanted << "'; after it came:"
                       << Quoted({orca->Spoken().begin() + long(next_), orca->Spoken().end()});
    for (std::size_t i = 0; i + 1 < heard->size(); ++i)
      EXPECT_NE(std::find(between.begin(), between.end(), (*heard)[i]), between.end())
          << "before '" << wanted << "' came" << Quoted(*heard);
    next_ += heard->size();
  }
  void Keys(const std::string& keys) {
    if (HasFatalFailure()) return;
    std::vector<std::string> argv{"xdotool", "key"};
    std::istringstream words(keys);
    for (std::string key; words >> key;) argv.push_back(key);
    RunCommand(argv, {{"DISPLAY", display.name()}}, home.path(), 10s);
  }
  int TimesSaid(const std::string& line) {
    const auto& spoken = orca->Spoken();
    return int(std::count(spoken.begin(), spoken.end(), line));
  }

  sp::test::SimProcess sim{{"--port", kStationPort}};
  Xvfb display;
  TempDir home;
  SessionBus bus{home.path()};
  AccessibilityBus a11y_bus{home.path(), bus};
  PulseServer pulse{home.path(), bus};
  std::optional<ScreenReader> orca;
  std::optional<Program> program;
  std::size_t next_ = 0;  // the first spoken line not yet heard by the test
};

TEST_F(OrcaE2ETest, OrcaSpeaksTheSongTheTabStopsAndTheCoverWindow) {
  // The clock runs, so the countdown changes every second; the test moves it on to the
  // second song.
  sim.Control("POST", "scenario", TwoSongs(600, 1));
  next_ = orca->Spoken().size();
  program.emplace(
      display, home,
      ProgramOptions{.env = {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}}, .accessibility = true});
  const auto window = display.FindWindow(kMainTitle, 20s);
  ASSERT_TRUE(window) << program->Log();
  display.Activate(*window);

  // At start the window and, once it arrives, the song; in either order.
  const std::size_t start = next_;
  Hear("Tidemark Drum and Bass FM - tidemark frame.",
       {"notification Kelp Circuit, Low Tide Roller, Night Harbour."});
  next_ = start;
  Hear("notification Kelp Circuit, Low Tide Roller, Night Harbour.",
       {"Tidemark Drum and Bass FM - tidemark frame."});
  next_ = orca->Spoken().size();

  for (const char* button : {"Subscribe", "Minimize", "Close"}) {
    Keys("Tab");
    Hear(std::string(button) + " push button.");
  }
  Keys("Tab");
  Hear("Cover push button.");
  Hear("Night Harbour.");

  // The song is a stop of its own, read whole, then row by row.
  Keys("Tab");
  Hear(
      "now playing...\nArtist : Kelp Circuit\nTitle : Low Tide Roller\nAlbum : Night Harbour "
      "label.");
  Keys("Down");
  Hear("Artist : Kelp Circuit");
  Keys("Down");
  Hear("Title : Low Tide Roller");
  Keys("Up");
  Hear("Artist : Kelp Circuit");

  // The countdown under its caption; while it has the focus and changes, nothing more is
  // said of it, and the next song is announced once.
  Keys("Tab");
  Hear(R"(Time Left : 10 : \d\d label\.)", {}, true);
  sim.Control("POST", "clock", {{"now", "2026-12-07 21:11:00"}});
  Hear("notification Tidal Bore, Shallows, Slack Water.");

  // Straight into the page's controls, and out of them to Subscribe with one Tab.
  Keys("Tab");
  Hear("audio.");
  Keys("Tab");
  Hear("Pause push button.", {"Audio Controls panel."});
  Keys("Tab");
  Hear("Mute push button.");
  Keys("Tab");
  Hear("More… push button.");
  Keys("Tab");
  Hear("Subscribe push button.", {"leaving panel."});
  Keys("Tab");
  Hear("Minimize push button.");
  // And back: from the first control into the page's last.
  Keys("shift+Tab");
  Hear("Subscribe push button.");
  Keys("shift+Tab");
  Hear("More… push button.", {"Audio Controls panel."});
  Keys("Tab");
  Hear("Subscribe push button.", {"leaving panel."});

  // The cover window opens with the focus, by its name.
  Keys("Tab Tab Tab");
  Hear("Slack Water.", {"Minimize push button.", "Close push button.", "Cover push button."});
  Keys("Return");
  Hear("Cover frame.");
  Keys("Tab");
  Hear("Dock to the main window toggle button not pressed.");

  EXPECT_EQ(TimesSaid("notification Kelp Circuit, Low Tide Roller, Night Harbour."), 1)
      << Quoted(orca->Spoken());
  EXPECT_EQ(TimesSaid("notification Tidal Bore, Shallows, Slack Water."), 1);
}

}  // namespace
}  // namespace e2e
