// The program against the station simulator on the build's own port: the panel
// follows the songs, the countdown runs, and the program survives odd texts and a
// stalled station.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "sim_process.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

using nlohmann::json;

// The panel's title row on the screen (window at the origin).
constexpr Geometry kTitleRow{275, 86, 453, 20};
constexpr Geometry kTimeLeftValue{275, 127, 453, 27};
constexpr Geometry kPanel{170, 26, 559, 101};

// The right-most column of the area that is not black, or -1.
int RightmostInk(Xvfb& display, const Geometry& area) {
  for (int x = area.x + area.width - 1; x >= area.x; --x)
    for (int y = area.y; y < area.y + area.height; ++y)
      if (!(display.Pixel(x, y) == Rgb{0, 0, 0})) return x;
  return -1;
}

class NowPlayingE2ETest : public ::testing::Test {
 protected:
  // The simulator on the port the program is built for.
  sp::test::SimProcess sim{{"--port", e2e::kStationPort}};
  Xvfb display;
  TempDir home;

  json Scenario(double speed, const json& songs) {
    return {{"clock", {{"now", "2026-12-07 21:00:00"}, {"speed", speed}}},
            {"playlist_start", "2026-12-07 20:59:50"},
            {"songs", songs},
            {"stream_lag", 42}};
  }
  // Waits until `pred` holds, looking every 50 ms, at most `timeout`.
  template <typename Pred>
  bool Eventually(Pred pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      if (pred()) return true;
      display.WaitPixel(0, 0, {1, 2, 3}, 50ms);
    }
    return pred();
  }
};

TEST_F(NowPlayingE2ETest, ThePanelFollowsTheSongsAndTheCountdownRunsToTheEndPlusTheLag) {
  ASSERT_TRUE(sim.ok());
  // A wide title, then a narrow one, so the title row shows which is on air.
  // The station's clock stands still until the program shows the first song, so a
  // slow start (a sanitizer build) cannot miss it.
  sim.Control("POST", "scenario",
              Scenario(0, json::array({{{"title", std::string(60, 'W')},
                                        {"artist", "Kelp Circuit"},
                                        {"album", "Night Harbour"},
                                        {"length", 30}},
                                       {{"title", "I"},
                                        {"artist", "Tidal Bore"},
                                        {"album", "Shallows"},
                                        {"length", 600}}})));
  Program program(display, home);
  ASSERT_TRUE(display.FindWindow(kMainTitle)) << program.Log();

  ASSERT_TRUE(Eventually([&] { return RightmostInk(display, kTitleRow) > 700; }, 15s))
      << "first song never shown; log:\n"
      << program.Log();
  EXPECT_GT(display.CountPixels(kPanel, {97, 108, 135}), 0);   // "now playing..."
  EXPECT_GT(display.CountPixels(kPanel, {124, 134, 160}), 0);  // labels and values
  EXPECT_GT(RightmostInk(display, kTimeLeftValue), 280);       // a countdown shows
  display.SavePng(home.path() + "/panel.png", {0, 0, 730, 195});
  sim.Control("POST", "clock", {{"speed", 10}});

  // The countdown moves on.
  const int before = display.CountPixels(kTimeLeftValue, {124, 134, 160});
  EXPECT_TRUE(Eventually(
      [&] {
        return display.CountPixels(kTimeLeftValue, {124, 134, 160}) != before;
      },
      10s));

  // Song one ends at 21:00:20 on the station's clock; the panel may change only
  // 42 s later, and within a pass or two after that.
  ASSERT_TRUE(Eventually([&] { return RightmostInk(display, kTitleRow) < 320; }, 30s))
      << "second song never shown";
  const std::string clock = sim.Control("GET", "state")["clock"]["now"];
  EXPECT_GE(clock, "2026-12-07 21:01:02");
  EXPECT_LE(clock, "2026-12-07 21:01:30");
  EXPECT_TRUE(program.process().Running());
}

TEST_F(NowPlayingE2ETest, LongAndNonLatinTextsAreShownWithoutHarm) {
  ASSERT_TRUE(sim.ok());
  long status = 0;
  sim.Control("POST", "scenario",
              Scenario(1, json::array({{{"title", std::string(20000, 'x') + " Ωmega 東京 🎧"},
                                        {"artist", "Κύμα 波 🌊 " + std::string(5000, 'y')},
                                        {"album", "  \u00e9t\u00e9 \U0001F30A  "},
                                        {"length", 600}}})),
              &status);
  ASSERT_EQ(status, 200);
  Program program(display, home);
  ASSERT_TRUE(display.FindWindow(kMainTitle)) << program.Log();
  EXPECT_TRUE(Eventually([&] { return RightmostInk(display, kTitleRow) > 700; }, 15s))
      << sim.Requests().dump();
  display.SavePng(home.path() + "/longtext.png", {0, 0, 730, 195});
  EXPECT_TRUE(program.process().Running());
}

TEST_F(NowPlayingE2ETest, TheCoverCaptionShowsTheTrimmedAlbumCentred) {
  ASSERT_TRUE(sim.ok());
  // Spaces on one side only: left untrimmed, they would push the text off centre.
  sim.Control("POST", "scenario",
              Scenario(0, json::array({{{"title", "Low Tide Roller"},
                                        {"artist", "Kelp Circuit"},
                                        {"album", "      Night Harbour"},
                                        {"length", 600}}})));
  // The cover window open at (0, 200); its caption strip is 265 x 19 at (17, 1).
  WriteFile(home.path() + "/.config/lumo/Tidemark Drum and Bass FM/preferences.json",
            R"({"cWinOpen": 1, "cWinX": 0, "cWinY": 200})");
  Program program(display, home);
  ASSERT_TRUE(display.FindWindow(kMainTitle)) << program.Log();
  const Geometry caption{17, 201, 265, 19};
  const Rgb strip{76, 74, 72};
  // In the caption colour where a glyph covers whole pixels.
  ASSERT_TRUE(Eventually(
      [&] {
        return display.CountPixels(caption, {234, 234, 234}) >= 5;
      },
      15s))
      << "no caption; log:\n"
      << program.Log();
  int left = caption.x + caption.width, right = -1, top = caption.y + caption.height, bottom = -1;
  const std::vector<Rgb> pixels = display.Pixels(caption);
  for (int y = 0; y < caption.height; ++y)
    for (int x = 0; x < caption.width; ++x)
      if (!(pixels[std::size_t(y * caption.width + x)] == strip)) {
        left = std::min(left, caption.x + x);
        right = std::max(right, caption.x + x);
        top = std::min(top, caption.y + y);
        bottom = std::max(bottom, caption.y + y);
      }
  // Centred both ways, to within a pixel or two of rounding and glyph margins.
  EXPECT_NEAR((left + right) / 2.0, caption.x + caption.width / 2.0, 2.0);
  EXPECT_NEAR((top + bottom) / 2.0, caption.y + caption.height / 2.0, 2.5);
  EXPECT_GT(right - left, 60);  // the whole album, not a stray pixel
}

TEST_F(NowPlayingE2ETest, ClosingWhileTheStationStallsEndsAtOnceAndSavesThePreferences) {
  ASSERT_TRUE(sim.ok());
  Program program(display, home);
  const auto window = display.FindWindow(kMainTitle);
  ASSERT_TRUE(window) << program.Log();
  ASSERT_TRUE(Eventually([&] { return RightmostInk(display, kTimeLeftValue) > 280; }, 15s));
  // From now on every request hangs before a byte arrives.
  for (const char* path : {"/api/time", "/api/station/tidemark/current_song"})
    sim.Control(
        "POST", "faults",
        {{"path", path}, {"kind", "stall"}, {"stall_seconds", 120}, {"before_headers", true}});
  display.WaitPixel(0, 0, {1, 2, 3}, 2s);  // the watcher is now inside a request
  display.RequestClose(*window);
  EXPECT_EQ(program.process().WaitExit(3s), std::optional<int>(0));
  EXPECT_NE(ReadFile(program.AppFolder() + "preferences.json").find("\"WindowX\"    : 0"),
            std::string::npos);
}

}  // namespace
}  // namespace e2e
