// The desktop's remote control as a desktop meets it: the real program on a private
// session bus, playing the station simulator's stream into a private null sink, asked
// and told through gdbus as a sound menu or a media key would; play and pause under
// either sound server.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <thread>

#include "sim_process.h"
#include "tests/e2e/audio.h"
#include "tests/e2e/commands.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

constexpr char kName[] = "org.mpris.MediaPlayer2.stationplayer";
constexpr char kPath[] = "/org/mpris/MediaPlayer2";
constexpr char kPlayer[] = "org.mpris.MediaPlayer2.Player";
// Far above a null sink's silence (exactly zero), far below the tone at the page's volume.
constexpr double kSignal = 0.02;
// The pause button of the page's own controls, with the main window at the origin.
constexpr int kPageButtonX = 196, kPageButtonY = 172;

void Wait(std::chrono::milliseconds d) {
  std::this_thread::sleep_for(d);
}

template <typename Pred>
bool Eventually(Pred pred, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Wait(100ms);
  }
  return true;
}

// The text inside "'key': <...>" of a printed dictionary, e.g. "'Kelp Circuit'".
std::string Field(const std::string& dict, const std::string& key) {
  std::smatch m;
  if (std::regex_search(dict, m, std::regex("'" + key + "': <([^>]*)>"))) return m[1];
  return "";
}

// The file a file:// URL in quotes names.
std::string UrlPath(std::string url) {
  if (url.size() < 2) return "";
  url = url.substr(1, url.size() - 2);
  if (url.rfind("file://", 0) != 0) return "";
  std::string path;
  for (std::size_t i = 7; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size()) {
      path += char(std::stoi(url.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      path += url[i];
    }
  }
  return path;
}

class RemoteControlTest : public ::testing::Test {
 protected:
  explicit RemoteControlTest(SoundServerKind kind = SoundServerKind::PulseAudio)
      : pulse{home.path(), bus, kind} {}

  void SetUp() override {
    ASSERT_TRUE(pulse.ready()) << pulse.Log();
    ASSERT_TRUE(sim.ok()) << "the simulator could not take port " << kStationPort;
    // Two long songs; the first has been on air for two minutes.
    sim.Control("POST", "scenario",
                {{"songs",
                  {{{"title", "Low Tide Roller"},
                    {"artist", "Kelp Circuit"},
                    {"album", "Night Harbour"},
                    {"length", 600},
                    {"tone", 0}},
                   {{"title", "Shallows"},
                    {"artist", "Tidal Bore"},
                    {"album", "Slack Water"},
                    {"length", 600},
                    {"tone", 1}}}},
                 {"playlist_start", "2026-12-07 20:58:00"},
                 {"clock", {{"now", "2026-12-07 21:00:00"}, {"speed", 1}}}});
  }

  std::map<std::string, std::string> BusEnv() const {
    return {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
  }
  XWindowId Start(std::map<std::string, std::string> env = {}) {
    for (const auto& [k, v] : pulse.ClientEnv()) env[k] = v;
    env.emplace("DBUS_SESSION_BUS_ADDRESS", bus.address());
    program.emplace(display, home, ProgramOptions{.env = env});
    auto window = display.FindWindow(kMainTitle, 20s);
    if (!window) ADD_FAILURE() << "no main window; log:\n" << program->Log();
    return window.value_or(0);
  }

  CommandResult Gdbus(std::vector<std::string> args) {
    args.insert(args.begin(), {"gdbus"});
    return RunCommand(args, BusEnv(), home.path(), 15s);
  }
  // The command-line client most desktops' users reach for, without naming a player.
  CommandResult Playerctl(std::vector<std::string> args) {
    args.insert(args.begin(), {"playerctl"});
    return RunCommand(args, BusEnv(), home.path(), 15s);
  }
  CommandResult Introspect() {
    return Gdbus({"introspect", "--session", "--dest", kName, "--object-path", kPath});
  }
  bool WaitForPlayer() {
    return Eventually([&] { return Introspect().code == 0; }, 20s);
  }
  std::string Property(const std::string& name) {
    return Gdbus({"call", "--session", "--dest", kName, "--object-path", kPath, "--method",
                  "org.freedesktop.DBus.Properties.Get", kPlayer, name})
        .output;
  }
  int Call(const std::string& method) {
    return Gdbus({"call", "--session", "--dest", kName, "--object-path", kPath, "--method", method})
        .code;
  }
  bool StatusBecomes(const std::string& status) {
    return Eventually([&] { return Property("PlaybackStatus").find(status) != std::string::npos; },
                      10s);
  }
  // Waits for the metadata of the song titled `title`, with a cover that can be read:
  // the cover may still change once after the song does.
  std::string MetadataOf(const std::string& title) {
    std::string metadata;
    Eventually(
        [&] {
          metadata = Property("Metadata");
          return Field(metadata, "xesam:title") == "'" + title + "'" &&
                 PngSize(ReadFile(UrlPath(Field(metadata, "mpris:artUrl")))).has_value();
        },
        30s);
    return metadata;
  }
  bool WaitForSound() {
    for (int i = 0; i < 60; ++i)
      if (Rms(pulse.Record(0.25)) > kSignal) return true;
    return false;
  }
  bool Silent() {
    const auto blocks = BlockRms(pulse.Record(1.0), 0.25);
    return !blocks.empty() && *std::max_element(blocks.begin(), blocks.end()) < kSignal;
  }

  Xvfb display;
  TempDir home;
  SessionBus bus{home.path()};
  PulseServer pulse;
  sp::test::SimProcess sim{{"--port", kStationPort}};
  std::optional<Program> program;
};

// Play and pause reach the sink, under each sound server of today's desktops.
class RemoteControlSoundTest : public RemoteControlTest,
                               public ::testing::WithParamInterface<SoundServerKind> {
 protected:
  RemoteControlSoundTest() : RemoteControlTest(GetParam()) {}
};

INSTANTIATE_TEST_SUITE_P(Sound, RemoteControlSoundTest,
                         ::testing::Values(SoundServerKind::PulseAudio, SoundServerKind::PipeWire),
                         SoundServerName());

TEST_P(RemoteControlSoundTest, ShowsTheSongAndItsCoverAndFollowsPlayAndPauseFromEitherSide) {
  ASSERT_NE(Start(), 0u);
  ASSERT_TRUE(WaitForPlayer()) << program->Log();
  const std::string interfaces = Introspect().output;
  EXPECT_NE(interfaces.find("interface org.mpris.MediaPlayer2 {"), std::string::npos);
  EXPECT_NE(interfaces.find("interface org.mpris.MediaPlayer2.Player {"), std::string::npos);
  EXPECT_NE(interfaces.find("Identity = 'Tidemark Drum and Bass FM'"), std::string::npos);
  EXPECT_NE(interfaces.find("DesktopEntry = 'fm.tidemark.StationPlayer'"), std::string::npos);
  Process monitor(
      {"stdbuf", "-oL", "gdbus", "monitor", "--session", "--dest", kName, "--object-path", kPath},
      BusEnv(), home.path() + "/monitor.log");

  // The song the panel shows, its length from its times, and the cover on show.
  const std::string first = MetadataOf("Low Tide Roller");
  EXPECT_EQ(Field(first, "xesam:artist"), "['Kelp Circuit']") << first;
  EXPECT_EQ(Field(first, "xesam:album"), "'Night Harbour'");
  EXPECT_EQ(Field(first, "mpris:length"), "int64 600000000");
  EXPECT_EQ(PngSize(ReadFile(UrlPath(Field(first, "mpris:artUrl")))), std::make_pair(300, 300))
      << first;

  // While the stream plays the desktop sees one player, ours: the engine's own for the
  // page's audio element stays off, so a client that picks the first player gets ours.
  ASSERT_TRUE(WaitForSound()) << program->Log();
  EXPECT_TRUE(StatusBecomes("'Playing'"));
  const std::string names =
      Gdbus({"call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
             "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.ListNames"})
          .output;
  std::ptrdiff_t players = 0;
  for (std::size_t at = names.find("'org.mpris.MediaPlayer2."); at != std::string::npos;
       at = names.find("'org.mpris.MediaPlayer2.", at + 1))
    ++players;
  EXPECT_EQ(players, 1) << names;
  EXPECT_EQ(Playerctl({"status"}).output, "Playing\n");
  const std::string summary =
      Playerctl({"metadata", "--format", "{{artist}}|{{title}}|{{album}}"}).output;
  EXPECT_EQ(summary, "Kelp Circuit|Low Tide Roller|Night Harbour\n");

  // Play-pause from the desktop silences the sink and brings the sound back.
  ASSERT_EQ(Playerctl({"play-pause"}).code, 0);
  EXPECT_TRUE(StatusBecomes("'Paused'"));
  Wait(500ms);
  EXPECT_TRUE(Silent());
  ASSERT_EQ(Playerctl({"play-pause"}).code, 0);
  EXPECT_TRUE(StatusBecomes("'Playing'"));
  EXPECT_TRUE(WaitForSound());
  // Stop is a pause (a live stream has no start to return to); Play and Pause say it.
  ASSERT_EQ(Call("org.mpris.MediaPlayer2.Player.Stop"), 0);
  EXPECT_TRUE(StatusBecomes("'Paused'"));
  ASSERT_EQ(Call("org.mpris.MediaPlayer2.Player.Play"), 0);
  EXPECT_TRUE(StatusBecomes("'Playing'"));
  ASSERT_EQ(Call("org.mpris.MediaPlayer2.Player.Pause"), 0);
  EXPECT_TRUE(StatusBecomes("'Paused'"));
  ASSERT_EQ(Call("org.mpris.MediaPlayer2.Player.Play"), 0);
  EXPECT_TRUE(StatusBecomes("'Playing'"));

  // A pause and a play on the page's own controls show too.
  display.MovePointer(kPageButtonX, kPageButtonY);
  display.ClickLeft();
  EXPECT_TRUE(StatusBecomes("'Paused'"));
  Wait(500ms);
  EXPECT_TRUE(Silent());
  display.ClickLeft();
  EXPECT_TRUE(StatusBecomes("'Playing'"));

  // The next song: the first ends at 21:08:00, and the stream follows 42 s later.
  sim.Control("POST", "clock", {{"now", "2026-12-07 21:08:43"}});
  const std::string second = MetadataOf("Shallows");
  EXPECT_EQ(Field(second, "xesam:artist"), "['Tidal Bore']") << second;
  EXPECT_NE(Field(second, "mpris:trackid"), Field(first, "mpris:trackid"));
  EXPECT_TRUE(PngSize(ReadFile(UrlPath(Field(second, "mpris:artUrl")))).has_value());

  // Every change was announced.
  Wait(300ms);
  monitor.Kill();
  const std::string signals = ReadFile(home.path() + "/monitor.log");
  EXPECT_NE(signals.find("{'PlaybackStatus': <'Paused'>}"), std::string::npos) << signals;
  EXPECT_NE(signals.find("{'PlaybackStatus': <'Playing'>}"), std::string::npos);
  EXPECT_NE(signals.find("'xesam:title': <'Shallows'>"), std::string::npos);
  EXPECT_TRUE(program->process().Running());
}

TEST_F(RemoteControlTest, RaiseRestoresTheMinimisedWindowAndQuitEndsAsTheCloseButtonDoes) {
  display.StartWindowManager();
  const XWindowId window = Start();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(WaitForPlayer()) << program->Log();

  const Geometry g = display.WindowGeometry(window);
  display.MovePointer(g.x + 652, g.y + 12);  // the minimise button
  display.ClickLeft();
  ASSERT_TRUE(Eventually([&] { return !display.Viewable(window); }, 5s));
  ASSERT_EQ(Call("org.mpris.MediaPlayer2.Raise"), 0);
  EXPECT_TRUE(Eventually([&] { return display.Viewable(window); }, 5s));

  const std::string preferences = program->AppFolder() + "preferences.json";
  ASSERT_TRUE(ReadFile(preferences).empty());
  EXPECT_EQ(Call("org.mpris.MediaPlayer2.Quit"), 0);  // answered before the end
  EXPECT_EQ(program->process().WaitExit(10s), std::optional<int>(0));
  EXPECT_NE(ReadFile(preferences).find("\"MainStation\": \"tidemark\""), std::string::npos);
}

TEST_F(RemoteControlTest, ASecondInstanceLeavesThePlayerToTheFirstAndRunsAsWithoutIt) {
  // The first finds the bus through $XDG_RUNTIME_DIR/bus alone.
  ASSERT_NE(Start({{"DBUS_SESSION_BUS_ADDRESS", ""}, {"XDG_RUNTIME_DIR", home.path()}}), 0u);
  ASSERT_TRUE(WaitForPlayer()) << program->Log();
  auto owner = [&] {
    return Gdbus({"call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                  "/org/freedesktop/DBus", "--method",
                  "org.freedesktop.DBus.GetConnectionUnixProcessID", kName})
        .output;
  };
  const std::string first_pid = "(uint32 " + std::to_string(program->process().pid()) + ",)";
  ASSERT_EQ(owner().substr(0, first_pid.size()), first_pid);

  TempDir other_home;
  ProgramOptions options{.env = pulse.ClientEnv()};
  options.env["DBUS_SESSION_BUS_ADDRESS"] = bus.address();
  Program second(display, other_home, options);
  // Once its stream is asked for, the second has tried for the name, or is about to.
  auto streams = [&] {
    int n = 0;
    for (const auto& r : sim.Requests()) n += r["path"] == "/stream/tidemark";
    return n;
  };
  ASSERT_TRUE(Eventually([&] { return streams() >= 2; }, 20s)) << second.Log();
  Wait(2s);
  EXPECT_TRUE(second.process().Running());
  EXPECT_EQ(second.Log(), "");  // says nothing
  EXPECT_FALSE(std::filesystem::exists(second.AppFolder() + "mpris"));
  EXPECT_EQ(owner().substr(0, first_pid.size()), first_pid);
}

}  // namespace
}  // namespace e2e
