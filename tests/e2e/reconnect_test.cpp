// The stream comes back by itself after it stopped without the listener asking, at the
// volume the listener left, and stays away while the listener paused it: the real
// program on a private session bus, playing the simulator's stream into a private null
// sink of either sound server while the simulator drops and refuses it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <thread>

#include "sim_process.h"
#include "tests/e2e/audio.h"
#include "tests/e2e/commands.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kName[] = "org.mpris.MediaPlayer2.stationplayer";
constexpr char kPath[] = "/org/mpris/MediaPlayer2";
constexpr char kStreamPath[] = "/stream/tidemark";
// Far above a null sink's silence (exactly zero), far below the tone at the page's volume.
constexpr double kSignal = 0.02;
// The tone at the page's volume: 0.3 of a half-scale sine's RMS (0.354).
constexpr double kPageLevel = 0.106;
// The play and pause button and the mute button of the page's own controls, with the
// main window at the origin.
constexpr int kPageButtonX = 196, kPageMuteX = 665, kPageButtonY = 172;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

class ReconnectTest : public ::testing::TestWithParam<SoundServerKind> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pulse.ready()) << pulse.Log();
    ASSERT_TRUE(sim.ok()) << "the simulator could not take port " << kStationPort;
    sim.Control("POST", "scenario",
                {{"songs", {{{"title", "Low Tide Roller"}, {"length", 3600}, {"tone", 0}}}},
                 {"playlist_start", "2026-12-07 20:00:00"},
                 {"clock", {{"now", "2026-12-07 21:00:00"}, {"speed", 1}}}});
  }

  void Start() {
    ProgramOptions options{.env = pulse.ClientEnv()};
    options.env["DBUS_SESSION_BUS_ADDRESS"] = bus.address();
    program.emplace(display, home, options);
    ASSERT_TRUE(display.FindWindow(kMainTitle, 20s)) << program->Log();
    monitor.emplace(std::vector<std::string>{"stdbuf", "-oL", "gdbus", "monitor", "--session",
                                             "--dest", kName, "--object-path", kPath},
                    std::map<std::string, std::string>{{"DBUS_SESSION_BUS_ADDRESS", bus.address()}},
                    home.path() + "/monitor.log");
    ASSERT_TRUE(SoundWithin(20s)) << program->Log();
  }

  std::string Status() {
    return RunCommand({"gdbus", "call", "--session", "--dest", kName, "--object-path", kPath,
                       "--method", "org.freedesktop.DBus.Properties.Get",
                       "org.mpris.MediaPlayer2.Player", "PlaybackStatus"},
                      {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}}, home.path(), 15s)
        .output;
  }
  bool StatusBecomes(const std::string& status) {
    for (auto end = Clock::now() + 10s; Clock::now() < end; std::this_thread::sleep_for(100ms))
      if (Status().find("'" + status + "'") != std::string::npos) return true;
    return false;
  }
  // How many PlaybackStatus changes to `status` the desktop was told of so far.
  std::size_t Announced(const std::string& status) {
    const std::string log = ReadFile(home.path() + "/monitor.log");
    const std::string needle = "{'PlaybackStatus': <'" + status + "'>}";
    std::size_t n = 0;
    for (auto at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
    return n;
  }
  bool SoundWithin(Clock::duration limit) {
    for (auto end = Clock::now() + limit; Clock::now() < end;)
      if (Rms(pulse.Record(0.25)) > kSignal) return true;
    return false;
  }
  bool SilentWithin(Clock::duration limit) {
    for (auto end = Clock::now() + limit; Clock::now() < end;)
      if (Silent()) return true;
    return false;
  }
  bool Silent() {
    const auto blocks = BlockRms(pulse.Record(1.0), 0.25);
    return !blocks.empty() && *std::max_element(blocks.begin(), blocks.end()) < kSignal;
  }
  std::size_t StreamRequests() {
    std::size_t n = 0;
    for (const auto& r : sim.Requests()) n += r["path"] == kStreamPath;
    return n;
  }

  Xvfb display;
  TempDir home;
  SessionBus bus{home.path()};
  PulseServer pulse{home.path(), bus, GetParam()};
  sp::test::SimProcess sim{{"--port", kStationPort}};
  std::optional<Program> program;
  std::optional<Process> monitor;
};

INSTANTIATE_TEST_SUITE_P(Sound, ReconnectTest,
                         ::testing::Values(SoundServerKind::PulseAudio, SoundServerKind::PipeWire),
                         SoundServerName());

TEST_P(ReconnectTest, ComesBackAfterADropAndAfterAStretchOfRefusalsAsTheListenerLeftIt) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(StatusBecomes("Playing"));
  const double before = Rms(pulse.Record(2.0));
  EXPECT_NEAR(before, kPageLevel, kPageLevel * 0.1) << "not at the page's volume";

  // Every open connection ends. Recorded throughout: the last moment without sound must
  // lie within 5 s of the cut, and sound flows from then on until 8 s after it.
  std::optional<Recording> recording(std::in_place, pulse);
  ASSERT_TRUE(recording->WaitUntil(Clock::now(), 10s)) << pulse.Log();
  const auto cut = Clock::now();
  sim.Control("POST", "streams/cut");
  ASSERT_TRUE(recording->WaitUntil(cut + 8s, 20s));
  const auto blocks = recording->Blocks(0.1);
  recording.reset();
  const auto quiet = LastQuiet(blocks, cut, kSignal, 500ms);
  std::cout << "after the cut: sound back " << (quiet ? Seconds(*quiet - cut) : 0.0)
            << " s after it (0: never silent)\n";
  ASSERT_TRUE(quiet.has_value()) << "the cut was never heard";
  EXPECT_LT(*quiet - cut, 5s) << "sound back later than 5 s after the cut";
  EXPECT_GE(StreamRequests(), 2u);

  // Muted on the page's own control, it comes back muted; unmuted, at the page's volume.
  display.MovePointer(kPageMuteX, kPageButtonY);
  display.ClickLeft();
  ASSERT_TRUE(SilentWithin(5s)) << "the page's mute button did not mute";
  const std::size_t stops = Announced("Stopped");
  sim.Control("POST", "streams/cut");
  for (auto end = Clock::now() + 10s; Announced("Stopped") == stops && Clock::now() < end;)
    std::this_thread::sleep_for(100ms);
  ASSERT_GT(Announced("Stopped"), stops);
  ASSERT_TRUE(StatusBecomes("Playing"));
  EXPECT_TRUE(Silent());
  display.ClickLeft();
  ASSERT_TRUE(SoundWithin(5s));
  const double after = Rms(pulse.Record(2.0));
  std::cout << NameOf(GetParam()) << ": RMS " << before << " before the cuts, " << after
            << " after\n";
  EXPECT_NEAR(after / before, 1.0, 0.03);

  // For 20 s every stream request is refused with an error page.
  sim.Control("POST", "faults", {{"path", kStreamPath}, {"kind", "error500"}});
  sim.Control("POST", "streams/cut");
  sim.Control("DELETE", "requests");
  const std::size_t stopped_before = Announced("Stopped");
  std::this_thread::sleep_for(10s);
  EXPECT_TRUE(Silent());
  EXPECT_NE(Status().find("'Stopped'"), std::string::npos);
  EXPECT_GT(Announced("Stopped"), stopped_before);
  std::this_thread::sleep_for(9s);
  sim.Control("DELETE", "faults");
  const auto stretch_end = Clock::now();
  const std::size_t refused = StreamRequests();
  std::cout << "stream requests during the 20 s of refusals: " << refused << "\n";
  EXPECT_GE(refused, 2u);  // it did try
  EXPECT_LE(refused, 8u);

  ASSERT_TRUE(SoundWithin(65s)) << "no sound 65 s after the refusals ended";
  std::cout << "sound back " << Seconds(Clock::now() - stretch_end)
            << " s after the refusals ended\n";
  EXPECT_NEAR(Rms(pulse.Record(2.0)) / before, 1.0, 0.03);
  EXPECT_TRUE(StatusBecomes("Playing"));
  EXPECT_TRUE(program->process().Running());
}

TEST_P(ReconnectTest, APausedPlayerStaysSilentThroughADropUntilTheListenerPlays) {
  ASSERT_NO_FATAL_FAILURE(Start());
  display.MovePointer(kPageButtonX, kPageButtonY);
  display.ClickLeft();
  ASSERT_TRUE(StatusBecomes("Paused"));
  sim.Control("DELETE", "requests");
  sim.Control("POST", "streams/cut");
  // A minute after the drop: no sound, no request, still paused.
  for (int i = 0; i < 4; ++i) {
    std::this_thread::sleep_for(14s);
    EXPECT_TRUE(Silent()) << "at " << (i + 1) * 15 << " s";
  }
  EXPECT_EQ(StreamRequests(), 0u);
  EXPECT_NE(Status().find("'Paused'"), std::string::npos);

  const auto pressed = Clock::now();
  display.ClickLeft();
  ASSERT_TRUE(SoundWithin(10s));
  std::cout << "sound " << Seconds(Clock::now() - pressed) << " s after play\n";
  EXPECT_TRUE(StatusBecomes("Playing"));
  EXPECT_GE(StreamRequests(), 1u);
}

}  // namespace
}  // namespace e2e
