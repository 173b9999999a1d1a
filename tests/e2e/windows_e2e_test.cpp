// The Windows build under Wine on a private X display, against the station simulator:
// the main window, its title buttons, the panel and countdown, a downloaded cover, the
// docked cover window following a drag, and the preferences written on close.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <span>

#include "platform/image_store.h"
#include "platform/pictures.h"
#include "sim_process.h"
#include "tests/e2e/capture.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

using nlohmann::json;

constexpr Rgb kStrip{76, 74, 72};
constexpr Rgb kBody{33, 33, 33};
constexpr Geometry kTitleRow{275, 86, 453, 20};
constexpr Geometry kTimeLeftValue{275, 127, 453, 27};
constexpr Geometry kSubscribe{555, 4, 73, 21};
const char kKelp[] = "kelp circuit - low tide roller (night harbour).jpg";

// Two decoders of one JPEG differ by a little here and there.
double Mismatch(const std::vector<std::uint32_t>& shot, const sp::Bitmap& expected) {
  if (shot.size() != expected.pixels.size()) return 1;
  std::size_t off = 0;
  for (std::size_t i = 0; i < shot.size(); ++i) {
    const sp::Rgb a = sp::RgbOf(shot[i]), b = sp::RgbOf(expected.pixels[i]);
    if (std::abs(a.r - b.r) > 12 || std::abs(a.g - b.g) > 12 || std::abs(a.b - b.b) > 12) ++off;
  }
  return double(off) / double(shot.size());
}

int RightmostInk(Xvfb& display, const Geometry& area) {
  for (int x = area.x + area.width - 1; x >= area.x; --x)
    for (int y = area.y; y < area.y + area.height; ++y)
      if (!(display.Pixel(x, y) == Rgb{0, 0, 0})) return x;
  return -1;
}

class WindowsE2ETest : public ::testing::Test {
 protected:
  sp::test::SimProcess sim{{"--port", kStationPort}};
  Xvfb display;
  TempDir home;
  std::string prefix = home.path() + "/wine";

  ~WindowsE2ETest() override {
    const std::string kill =
        "WINEPREFIX='" + prefix + "' /usr/lib/wine/wineserver64 -k 2>/dev/null";
    [[maybe_unused]] const int status = std::system(kill.c_str());  // nothing left is fine
  }

  // The program under Wine in the test's own prefix; Wine makes the prefix on first use.
  std::optional<Program> Start() {
    const std::string launcher = home.path() + "/stationplayer-wine.sh";
    WriteFile(launcher, "#!/bin/sh\nexec /usr/lib/wine/wine64 '" STATIONPLAYER_WINDOWS_EXE "'\n");
    std::filesystem::permissions(launcher, std::filesystem::perms::owner_all);
    ProgramOptions options;
    options.exe = launcher;
    options.env = {{"WINEPREFIX", prefix},
                   {"WINEDEBUG", "-all"},
                   {"WINEDLLOVERRIDES", "mshtml=;mscoree=;winemenubuilder.exe="}};
    return std::optional<Program>(std::in_place, display, home, options);
  }
  // The application folder as Windows names it, and where it is on this disk.
  static constexpr char kWindowsFolder[] =
      "C:/users/root/AppData/Roaming/lumo/Tidemark Drum and Bass FM/";
  std::string AppFolder() {
    return prefix + "/drive_c/users/root/AppData/Roaming/lumo/Tidemark Drum and Bass FM/";
  }

  template <typename Pred>
  bool Eventually(Pred pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      if (pred()) return true;
      display.WaitPixel(0, 0, {1, 2, 3}, 100ms);
    }
    return pred();
  }
  sp::Bitmap ExpectedCover() {
    const sp::test::RawAnswer a = sp::test::RawGet(
        sim.BaseUrl() + sp::test::PercentEncode(std::string("/tidemark-radio/Covers/") + kKelp));
    const auto picture = sp::pictures::Decode(
        std::span(reinterpret_cast<const std::uint8_t*>(a.body.data()), a.body.size()), 24);
    return picture ? sp::ScaleSmooth(picture->bitmap, 168, 168) : sp::Bitmap{};
  }
};

TEST_F(WindowsE2ETest, TheWindowsBuildRunsUnderWine) {
  ASSERT_TRUE(sim.ok());
  sim.Control("POST", "scenario",
              {{"clock", {{"now", "2026-12-07 21:00:00"}, {"speed", 0}}},
               {"playlist_start", "2026-12-07 20:59:50"},
               {"songs", json::array({{{"title", "Low Tide Roller"},
                                       {"artist", "Kelp Circuit"},
                                       {"album", "Night Harbour"},
                                       {"length", 600}}})},
               {"stream_lag", 42}});
  auto program = Start();
  // The first start makes the Wine prefix, which takes a while.
  const auto found = display.FindWindow(kMainTitle, 180s);
  ASSERT_TRUE(found) << program->Log();
  const XWindowId main = *found;

  // The main window: borderless, 730 x 195, strip and borders in their colours.
  Geometry g = display.WindowGeometry(main);
  EXPECT_EQ(g.width, 730);
  EXPECT_EQ(g.height, 195);
  EXPECT_EQ(display.WaitPixel(g.x + 500, g.y + 3, kStrip), kStrip);
  EXPECT_EQ(display.WaitPixel(g.x + 1, g.y + 100, kStrip), kStrip);
  EXPECT_EQ(display.WaitPixel(g.x + 400, g.y + 194, kStrip), kStrip);
  EXPECT_EQ(display.WaitPixel(g.x + 0, g.y + 100, kBody), kBody);
  ASSERT_EQ(g.x, 0);  // the default place; the panel areas below are screen positions
  ASSERT_EQ(g.y, 0);

  // Title buttons: the hover faces come and go with the pointer.
  EXPECT_GT(display.CountPixels(kSubscribe, {146, 146, 146}), 5);
  display.MovePointer(590, 14);
  EXPECT_TRUE(Eventually([&] { return display.CountPixels(kSubscribe, {249, 249, 249}) > 5; }, 5s));
  display.MovePointer(700, 20);
  EXPECT_EQ(display.WaitPixel(686, 2, {217, 95, 95}), (Rgb{217, 95, 95}));
  EXPECT_GT(display.CountPixels(kSubscribe, {146, 146, 146}), 5);
  display.MovePointer(300, 100);
  EXPECT_EQ(display.WaitPixel(686, 2, kStrip), kStrip);

  // The panel shows the song, and the countdown runs once the station's clock does.
  EXPECT_TRUE(Eventually([&] { return RightmostInk(display, kTitleRow) > 330; }, 30s))
      << "song never shown";
  ASSERT_TRUE(Eventually([&] { return RightmostInk(display, kTimeLeftValue) > 280; }, 10s));
  const auto countdown = display.Pixels(kTimeLeftValue);
  sim.Control("POST", "clock", {{"speed", 1}});
  EXPECT_TRUE(Eventually([&] { return display.Pixels(kTimeLeftValue) != countdown; }, 10s));

  // The song's cover, listed, downloaded over libcurl, decoded and drawn.
  const sp::Bitmap expected = ExpectedCover();
  ASSERT_GT(expected.width, 0);
  double mismatch = 1;
  EXPECT_TRUE(Eventually(
      [&] {
        mismatch = Mismatch(CaptureArea(display, {2, 26, 168, 168}), expected);
        return mismatch < 0.05;
      },
      20s))
      << "share of pixels off: " << mismatch;
  if (const char* shot = std::getenv("SP_WINDOWS_SCREENSHOT"))
    display.SavePng(shot, {0, 0, 1100, 500});

  // A click on the thumbnail opens the cover window.
  display.MovePointer(86, 110);
  display.ClickLeft();
  const auto cover = display.FindOwnedWindow(main, 10s);
  ASSERT_TRUE(cover);
  ASSERT_TRUE(Eventually([&] { return display.Viewable(*cover); }, 5s));
  EXPECT_EQ(display.WindowGeometry(*cover).width, 302);
  EXPECT_EQ(display.WindowGeometry(*cover).height, 322);
  // Dragging the main window by its strip (beside the cover window, which opened at the
  // origin) moves it with the pointer at every step, and
  // the undocked cover window stays; then its toggle docks it beside the main window,
  // and from then on it follows every step of a drag.
  const auto drag = [&](int dx, int dy, bool docked) {
    const Geometry m0 = display.WindowGeometry(main), c0 = display.WindowGeometry(*cover);
    display.MovePointer(m0.x + 450, m0.y + 10);
    display.PressLeft();
    for (int i = 1; i <= 6; ++i) {
      display.WaitPixel(0, 0, {1, 2, 3}, 50ms);
      display.MovePointer(m0.x + 450 + i * dx, m0.y + 10 + i * dy);
      EXPECT_TRUE(Eventually(
          [&] {
            const Geometry m = display.WindowGeometry(main), c = display.WindowGeometry(*cover);
            const bool cover_ok = docked ? c.x - m.x == c0.x - m0.x && c.y - m.y == c0.y - m0.y
                                         : c.x == c0.x && c.y == c0.y;
            return m.x == m0.x + i * dx && m.y == m0.y + i * dy && cover_ok;
          },
          3s))
          << "step " << i << (docked ? " docked" : " undocked");
    }
    display.ReleaseLeft();
  };
  drag(10, 25, false);
  g = display.WindowGeometry(main);
  const Geometry opened = display.WindowGeometry(*cover);
  display.MovePointer(opened.x + 8, opened.y + 8);
  display.ClickLeft();
  EXPECT_TRUE(Eventually(
      [&] {
        const Geometry now = display.WindowGeometry(*cover);
        return now.x == g.x + 731 && now.y == g.y - 127;
      },
      5s))
      << "not docked";
  drag(12, 5, true);
  g = display.WindowGeometry(main);
  const Geometry c = display.WindowGeometry(*cover);
  if (const char* shot = std::getenv("SP_WINDOWS_SCREENSHOT"))
    display.SavePng(shot, {0, 0, 1100, 500});

  // The close button ends the program with code 0 and the preferences written.
  display.MovePointer(g.x + 706, g.y + 12);
  display.PressLeft();
  EXPECT_EQ(program->process().WaitExit(20s), std::optional<int>(0));
  display.ReleaseLeft();
  const std::string expected_prefs =
      "{\r\n  \"WindowW\"    : 730,\r\n  \"WindowX\"    : " + std::to_string(g.x) +
      ",\r\n  \"WindowY\"    : " + std::to_string(g.y) + ",\r\n  \"Preferences\": \"" +
      kWindowsFolder +
      "\",\r\n  \"MainStation\": \"tidemark\",\r\n"
      "  \"cWindDock\"  : 1,\r\n  \"cWinX\"      : " +
      std::to_string(c.x) + ",\r\n  \"cWinY\"      : " + std::to_string(c.y) +
      ",\r\n  \"cWinOpen\"   : 1,\r\n  \"WindowH\"    : 195\r\n}";
  EXPECT_EQ(ReadFile(AppFolder() + "preferences.json"), expected_prefs);
}

}  // namespace
}  // namespace e2e
