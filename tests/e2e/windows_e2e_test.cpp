// The Windows build under Wine on a private X display, against the station simulator:
// the main window, its title buttons, the panel and countdown, a downloaded cover, the
// docked cover window following a drag, and the preferences written on close; all of it
// without the browser control's HTML engine, which Debian does not package, so the
// web view cannot be created. A client of our own (tests/windows/test_client.cpp) meets
// the program as a screen reader and the system do; the keyboard alone runs it; the media
// keys reach its stream keeper; a left-handed user drags it; refused wakes stop nothing.
// And the installer: install, run, uninstall.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <regex>
#include <span>
#include <sstream>

#include "platform/image_store.h"
#include "platform/pictures.h"
#include "sim_process.h"
#include "tests/e2e/capture.h"
#include "tests/e2e/commands.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

using nlohmann::json;

constexpr Rgb kStrip{76, 74, 72};
constexpr Rgb kBody{33, 33, 33};
constexpr Geometry kTitleRow{275, 86, 453, 20};
constexpr Geometry kTimeLeftValue{275, 127, 453, 27};
constexpr Geometry kSubscribe{555, 4, 73, 21};
// How long the program waits for the browser control's first document.
constexpr auto kBlankDocumentWait = 5s;
constexpr char kWine[] = "/usr/lib/wine/wine64";
constexpr char kWineServer[] = "/usr/lib/wine/wineserver64";
constexpr char kInstalled[] = R"(C:\Program Files\Tidemark Drum and Bass FM\)";
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
    const std::string kill = "WINEPREFIX='" + prefix + "' " + kWineServer + " -k 2>/dev/null";
    [[maybe_unused]] const int status = std::system(kill.c_str());  // nothing left is fine
  }

  // Wine in the test's own prefix, which it makes on first use. `debug`: what Wine
  // reports on the way (WINEDEBUG).
  std::map<std::string, std::string> WineEnv(const std::string& debug = "-all") {
    return {{"WINEPREFIX", prefix},
            {"WINEDEBUG", debug},
            {"WINEDLLOVERRIDES", "mshtml=;mscoree=;winemenubuilder.exe="},
            {"DISPLAY", display.name()},
            {"HOME", home.path()}};
  }
  // Runs a command to its end: its exit code, or nothing when it outlasts `timeout`.
  std::optional<int> Run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                         const std::string& output = "/dev/null") {
    Process process(argv, WineEnv(), output);
    return process.WaitExit(timeout);
  }
  // A command's exit code and what it printed.
  std::pair<std::optional<int>, std::string> RunForOutput(const std::vector<std::string>& argv) {
    const std::string output = home.path() + "/output.txt";
    std::filesystem::remove(output);
    const auto status = Run(argv, 60s, output);
    return {status, ReadFile(output)};
  }
  std::optional<Program> Start(const std::string& exe = STATIONPLAYER_WINDOWS_EXE,
                               const std::string& debug = "-all",
                               const std::map<std::string, std::string>& env = {}) {
    const std::string launcher = home.path() + "/stationplayer-wine.sh";
    WriteFile(launcher, std::string("#!/bin/sh\nexec ") + kWine + " '" + exe + "'\n");
    std::filesystem::permissions(launcher, std::filesystem::perms::owner_all);
    ProgramOptions options;
    options.exe = launcher;
    options.env = WineEnv(debug);
    options.env.insert(env.begin(), env.end());
    return std::optional<Program>(std::in_place, display, home, options);
  }
  // The prefix made, and Wine's services left to end: a program started while they shut
  // down stalls for seconds on them.
  void Boot() {
    ASSERT_EQ(Run({kWine, "wineboot", "-i"}, 180s), std::optional<int>(0));
    ASSERT_EQ(Run({kWineServer, "-w"}, 60s), std::optional<int>(0));
  }
  // The test client with these arguments: its exit code and what it printed.
  std::pair<std::optional<int>, std::string> Client(std::vector<std::string> args) {
    args.insert(args.begin(), {kWine, STATIONPLAYER_WINDOWS_TEST_CLIENT});
    auto [status, output] = RunForOutput(args);
    return {status, Lines(output)};
  }
  // A Windows program's text output with Unix line ends.
  static std::string Lines(std::string text) {
    std::erase(text, '\r');
    return text;
  }
  // What the client reads of the program's windows now.
  std::string Walk() { return Client({"walk"}).second; }
  void Keys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"xdotool", "key", "--delay", "100"});
    RunCommand(keys, {{"DISPLAY", display.name()}}, home.path(), 20s);
  }
  // Gives a window the keyboard. Without a window manager Wine takes the X focus as
  // the user's activation of the window.
  void Focus(XWindowId window) {
    RunCommand({"xdotool", "windowfocus", "--sync", std::to_string(window)},
               {{"DISPLAY", display.name()}}, home.path(), 10s);
  }
  int Preference(const std::string& key) {
    const json prefs = json::parse(ReadFile(AppFolder() + "preferences.json"), nullptr, false);
    return prefs.is_object() ? prefs.value(key, -1) : -1;
  }
  // One song on air, its end ten minutes away, the station's clock standing still.
  void PlayOneSong() {
    sim.Control("POST", "scenario",
                {{"clock", {{"now", "2026-12-07 21:00:00"}, {"speed", 0}}},
                 {"playlist_start", "2026-12-07 20:59:50"},
                 {"songs", json::array({{{"title", "Low Tide Roller"},
                                         {"artist", "Kelp Circuit"},
                                         {"album", "Night Harbour"},
                                         {"length", 600}}})},
                 {"stream_lag", 42}});
  }
  // The application folder as Windows names it, and where it is on this disk.
  static constexpr char kWindowsFolder[] =
      R"(C:\users\root\AppData\Roaming\lumo\Tidemark Drum and Bass FM\)";
  // A text as preferences.json writes it.
  static std::string JsonEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out;
  }
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
  PlayOneSong();
  // The prefix first, which takes a while, and Wine's services left to end: a program
  // started while they shut down stalls for seconds on them, inside the timed wait too.
  ASSERT_NO_FATAL_FAILURE(Boot());
  // A file as earlier builds wrote it, with "/" in the folder: read, and written back
  // in Windows' own form at the close below.
  std::filesystem::create_directories(AppFolder());
  WriteFile(AppFolder() + "preferences.json",
            R"({"WindowX": 0, "WindowY": 0, "Preferences": )"
            R"("C:/users/root/AppData/Roaming/lumo/Tidemark Drum and Bass FM/"})");
  // Wine's loader tells when the program is loaded, and its browser control every call
  // the program makes on it.
  auto program = Start(STATIONPLAYER_WINDOWS_EXE, "-all,+timestamp,+loaddll,trace+ieframe,err+all");
  using Clock = std::chrono::steady_clock;
  std::optional<Clock::time_point> loaded, creating;
  std::optional<XWindowId> found;
  for (const auto give_up = Clock::now() + 120s; !found && Clock::now() < give_up;) {
    const std::string log = program->Log();
    if (!loaded && log.find("stationplayer.exe\"") != std::string::npos) loaded = Clock::now();
    if (!creating && log.find("create_webbrowser") != std::string::npos) creating = Clock::now();
    found = display.FindWindow(kMainTitle, 0ms);
  }
  const auto shown = Clock::now();
  ASSERT_TRUE(found) << program->Log();
  ASSERT_TRUE(loaded && creating) << program->Log();
  const XWindowId main = *found;

  // Without its HTML engine the control never completes a document, so creating the web
  // view fails when the wait runs out, and the window opens right after. Timed from the
  // control's creation: before it, Wine's start of its desktop and security packages
  // and the program's own start-up take one to three seconds more, depending on the load.
  const auto ms = [](Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d);
  };
  std::cout << "main window shown " << ms(shown - *loaded).count()
            << " ms after the program was loaded, " << ms(shown - *creating).count()
            << " ms after it created the browser control\n";
  EXPECT_LE(ms(shown - *creating), kBlankDocumentWait + 2s) << program->Log();
  // And the wait did run: Wine's control fails to navigate without telling its host.
  EXPECT_GE(ms(shown - *creating), kBlankDocumentWait - 100ms) << "the wait ended early";
  const std::string trace = program->Log();
  // Everything of the hosting that needs no document ran: the control created, given
  // its site, activated in place and listened to, sent to about:blank, and at the time-out
  // let go entirely (the control's last reference released).
  for (const char* call :
       {"create_webbrowser", "OleObject_SetClientSite", "OLEIVERB_INPLACEACTIVATE",
        "ConnectionPoint_Advise", "WebBrowser_Navigate2", "L\"about:blank\"",
        "ConnectionPoint_Unadvise", "OleObject_Close"})
    EXPECT_NE(trace.find(call), std::string::npos) << call;
  const std::size_t last_release = trace.rfind("WebBrowser_Release");
  ASSERT_NE(last_release, std::string::npos);
  EXPECT_NE(trace.substr(last_release, trace.find('\n', last_release) - last_release).find("ref=0"),
            std::string::npos);
  // Nothing is reported.
  EXPECT_FALSE(display.FindWindow("Info", 0ms));

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
      JsonEscaped(kWindowsFolder) +
      "\",\r\n  \"MainStation\": \"tidemark\",\r\n"
      "  \"cWindDock\"  : 1,\r\n  \"cWinX\"      : " +
      std::to_string(c.x) + ",\r\n  \"cWinY\"      : " + std::to_string(c.y) +
      ",\r\n  \"cWinOpen\"   : 1,\r\n  \"WindowH\"    : 195\r\n}";
  EXPECT_EQ(ReadFile(AppFolder() + "preferences.json"), expected_prefs);
}

TEST_F(WindowsE2ETest, AScreenReaderReadsTheSongAndPressesTheButtons) {
  ASSERT_TRUE(sim.ok());
  // The station's clock stands still until the test moves it on to the second song.
  sim.Control("POST", "scenario", TwoSongs(30, 0));
  ASSERT_NO_FATAL_FAILURE(Boot());
  // No program to open web pages with: the shell cannot open the channel page.
  ASSERT_EQ(Run({kWine, "reg", "delete", R"(HKCR\http)", "/f"}, 60s), std::optional<int>(0));
  auto program = Start();
  const auto main = display.FindWindow(kMainTitle, 120s);
  ASSERT_TRUE(main) << program->Log();
  Focus(*main);

  // Every control by its role, name, state and action, in reading order; the strips that
  // only frame the window are not there, and the cover window has a name of its own.
  std::string tree;
  EXPECT_TRUE(Eventually(
      [&] {
        tree = Walk();
        return tree.find("Kelp Circuit") != std::string::npos &&
               tree.find("\"Night Harbour\"") != std::string::npos;
      },
      30s))
      << tree;
  std::cout << "What the accessibility client read:\n" << tree;
  const std::string expected_tree =
      R"(window main, shown
  window "Tidemark Drum and Bass FM - tidemark" states="focused, focusable"
    client "Tidemark Drum and Bass FM - tidemark" states="focused, focusable"
      static text "Tidemark Drum and Bass FM" states="read only"
      push button "Subscribe" states="focusable" action="Press"
      push button "Minimize" states="focusable" action="Press"
      push button "Close" states="focusable" action="Press"
      push button "Cover" description="Night Harbour" states="focusable" action="Press"
      static text "now playing...\nArtist : Kelp Circuit\nTitle : Low Tide Roller\nAlbum : Night Harbour" states="read only, focusable"
      static text "Time Left :" states="read only"
      static text "COUNTDOWN" states="read only, focusable"
window owned, hidden
  window "Cover" states="invisible, focusable"
    client "Cover" states="invisible, focusable"
      check button "Dock to the main window" states="invisible, focusable" action="Check"
      static text "Night Harbour" states="read only, invisible"
      push button "Close cover" states="invisible, focusable" action="Press"
)";
  // The countdown reads as it shows, whatever it has come to.
  const std::regex countdown(
      R"re(static text "Time Left :" states="read only"\n      static text "([^"]+)")re");
  std::smatch shown;
  ASSERT_TRUE(std::regex_search(tree, shown, countdown)) << tree;
  EXPECT_EQ(tree, std::regex_replace(expected_tree, std::regex("COUNTDOWN"), shown[1].str()));

  // A screen reader hears the new song once, as the panel's text and the cover's
  // album, and never the countdown, which runs from now on.
  const std::string heard_file = home.path() + "/heard.txt";
  Process listener({kWine, STATIONPLAYER_WINDOWS_TEST_CLIENT, "listen", "30"}, WineEnv(),
                   heard_file);
  ASSERT_TRUE(
      Eventually([&] { return ReadFile(heard_file).find("listening") != std::string::npos; }, 60s));
  sim.Control("POST", "clock", {{"now", "2026-12-07 21:01:10"}});
  sim.Control("POST", "clock", {{"speed", 1}});
  const std::string second_song =
      R"("now playing...\nArtist : Tidal Bore\nTitle : Shallows\nAlbum : Slack Water")";
  EXPECT_TRUE(Eventually(
      [&] {
        const std::string heard = ReadFile(heard_file);
        return heard.find("heard live region: static text " + second_song) != std::string::npos &&
               heard.find(R"(heard description: push button "Cover" description="Slack Water")") !=
                   std::string::npos;
      },
      20s))
      << ReadFile(heard_file);
  // Three seconds of a running countdown, read twice to be sure it ran.
  const auto countdown_now = [&] {
    std::smatch m;
    const std::string t = Walk();
    return std::regex_search(t, m, countdown) ? m[1].str() : std::string();
  };
  const std::string before = countdown_now();
  display.WaitPixel(0, 0, {1, 2, 3}, 3s);
  EXPECT_NE(countdown_now(), before);
  std::istringstream heard(Lines(ReadFile(heard_file)));
  for (std::string line; std::getline(heard, line);) {
    if (line.rfind("heard ", 0) != 0) continue;
    EXPECT_TRUE(line.find(second_song) != std::string::npos ||
                line.find("\"Cover\"") != std::string::npos)
        << line;
  }
  std::cout << "What the listening client heard:\n" << Lines(ReadFile(heard_file));

  // Subscribe hands the page to the shell, which cannot open it and says nothing.
  EXPECT_EQ(Client({"press", "Subscribe"}).first, std::optional<int>(0));
  EXPECT_FALSE(display.FindWindow("Error", 5s)) << "the shell showed its error box";
  // Cover opens the cover window, whose toggle docks it and whose picture closes it.
  EXPECT_EQ(Client({"press", "Cover"}).first, std::optional<int>(0));
  const auto cover = display.FindOwnedWindow(*main, 10s);
  ASSERT_TRUE(cover);
  EXPECT_TRUE(Eventually([&] { return display.Viewable(*cover); }, 10s));
  EXPECT_EQ(Client({"press", "Dock to the main window"}).first, std::optional<int>(0));
  EXPECT_TRUE(Eventually(
      [&] {
        return Walk().find(
                   R"(check button "Dock to the main window" states="checked, focusable" action="Uncheck")") !=
               std::string::npos;
      },
      10s));
  EXPECT_EQ(Client({"press", "Close cover"}).first, std::optional<int>(0));
  EXPECT_TRUE(Eventually([&] { return !display.Viewable(*cover); }, 10s));
  // Close ends the program, after its answer.
  EXPECT_EQ(Client({"press", "Close"}).first, std::optional<int>(0));
  EXPECT_EQ(program->process().WaitExit(20s), std::optional<int>(0));
  EXPECT_EQ(Preference("cWindDock"), 1);
  EXPECT_EQ(Preference("cWinOpen"), 0);
}

TEST_F(WindowsE2ETest, TheKeyboardAloneOpensTheCoverWindowAndEndsTheProgram) {
  ASSERT_NO_FATAL_FAILURE(Boot());
  auto program = Start();
  const auto main = display.FindWindow(kMainTitle, 120s);
  ASSERT_TRUE(main) << program->Log();
  Focus(*main);
  // Nothing looks focused before a key is pressed.
  const Geometry close{684, 0, 46, 25}, thumb_top{2, 26, 168, 1};
  ASSERT_EQ(display.WaitPixel(700, 1, kStrip), kStrip);
  EXPECT_EQ(display.CountPixels(close, {0, 0, 0}), 0);
  const int thumb_black = display.CountPixels(thumb_top, {0, 0, 0});
  const auto framed = [&](const Geometry& area, int black_before) {
    return Eventually([&] { return display.CountPixels(area, {0, 0, 0}) > black_before + 20; }, 5s);
  };

  // Subscribe, Minimize, Close, then the thumbnail, whose focus frame shows over the cover.
  Keys({"Tab", "Tab", "Tab", "Tab"});
  EXPECT_TRUE(framed(thumb_top, thumb_black));
  Keys({"Return"});
  const auto cover = display.FindOwnedWindow(*main, 10s);
  ASSERT_TRUE(cover);
  ASSERT_TRUE(Eventually([&] { return display.Viewable(*cover); }, 10s));
  // The cover window, shown where it was last (the top-left corner), has the keyboard:
  // its toggle first, then its picture, which Space presses and so closes it.
  const Geometry toggle{1, 1, 16, 16}, picture_top{1, 21, 300, 1};
  const int toggle_black = display.CountPixels(toggle, {0, 0, 0});
  const int picture_black = display.CountPixels(picture_top, {0, 0, 0});
  Keys({"Tab"});
  EXPECT_TRUE(Eventually(
      [&] {
        return display.CountPixels(toggle, {0, 0, 0}) > toggle_black;
      },
      5s));
  Keys({"Tab"});
  EXPECT_TRUE(framed(picture_top, picture_black));
  Keys({"space"});
  EXPECT_TRUE(Eventually([&] { return !display.Viewable(*cover); }, 10s));

  // Back in the main window the thumbnail has the keyboard again; one step back is Close.
  EXPECT_TRUE(framed(thumb_top, thumb_black));
  Keys({"shift+Tab"});
  EXPECT_TRUE(Eventually([&] { return display.CountPixels(close, {0, 0, 0}) > 0; }, 5s));
  Keys({"space"});
  EXPECT_EQ(program->process().WaitExit(20s), std::optional<int>(0)) << program->Log();
  EXPECT_EQ(Preference("cWinOpen"), 0);
}

TEST_F(WindowsE2ETest, MediaKeysReachTheStreamKeeperWithOrWithoutTheFocus) {
  ASSERT_NO_FATAL_FAILURE(Boot());
  // The test build keeps the browser control that never completes a document here, so the
  // stream keeper runs, and writes what the player publishes to the debugger's channel.
  auto program = Start(STATIONPLAYER_WINDOWS_FAULTS_EXE, "-all,warn+debugstr",
                       {{"STATIONPLAYER_KEEP_LATE_WEB_VIEW", "1"}});
  const auto main = display.FindWindow(kMainTitle, 120s);
  ASSERT_TRUE(main) << program->Log();
  // Everything the player published, in order.
  const auto published = [&] {
    std::vector<std::string> states;
    const std::string log = program->Log();
    const std::regex mark(R"(stationplayer: playback (\w+))");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), mark); it != std::sregex_iterator();
         ++it)
      states.push_back((*it)[1].str());
    return states;
  };
  const auto playback = [&] {
    const auto states = published();
    return states.empty() ? std::string() : states.back();
  };
  const auto after = [&](const std::function<void()>& press, const std::string& expected) {
    press();
    return Eventually([&] { return playback() == expected; }, 10s);
  };
  // Connecting to the stream, which under Wine never comes.
  ASSERT_TRUE(Eventually([&] { return playback() == "Stopped"; }, 10s)) << program->Log();
  Focus(*main);
  // Play/pause pauses the stream being connected and connects afresh; Stop pauses. Wine
  // gives the keys as the system's media keys, which the program holds as hot keys.
  EXPECT_TRUE(after([&] { Keys({"XF86AudioPlay"}); }, "Paused"));
  EXPECT_TRUE(after([&] { Keys({"XF86AudioPlay"}); }, "Stopped"));
  EXPECT_TRUE(after([&] { Keys({"XF86AudioStop"}); }, "Paused"));
  // The commands the system gives a focused window for keys of a remote's own: play,
  // pause, play/pause.
  EXPECT_TRUE(after([&] { Client({"appcommand", "46"}); }, "Stopped"));
  EXPECT_TRUE(after([&] { Client({"appcommand", "47"}); }, "Paused"));
  EXPECT_TRUE(after([&] { Client({"appcommand", "14"}); }, "Stopped"));
  // Another program has the keyboard: the key still reaches the player.
  const std::string focused_file = home.path() + "/focused.txt";
  Process other({kWine, STATIONPLAYER_WINDOWS_TEST_CLIENT, "focus", "60"}, WineEnv(), focused_file);
  const auto other_window = display.FindWindow("Test client", 60s);
  ASSERT_TRUE(other_window);
  Focus(*other_window);
  EXPECT_TRUE(after([&] { Keys({"XF86AudioPlay"}); }, "Paused"));
  std::cout << "What the player published, in order:";
  for (const std::string& state : published()) std::cout << ' ' << state;
  std::cout << '\n';
}

TEST_F(WindowsE2ETest, ALeftHandedUserDragsTheWindowWithTheRightButton) {
  ASSERT_NO_FATAL_FAILURE(Boot());
  ASSERT_EQ(Run({kWine, "reg", "add", R"(HKCU\Control Panel\Mouse)", "/v", "SwapMouseButtons", "/t",
                 "REG_SZ", "/d", "1", "/f"},
                60s),
            std::optional<int>(0));
  EXPECT_NE(Client({"swapped"}).second.find("swapped 1"), std::string::npos);
  auto program = Start();
  const auto main = display.FindWindow(kMainTitle, 120s);
  ASSERT_TRUE(main) << program->Log();
  // The physical right button acts as the left one. Wine 8.0 maps no buttons itself, so
  // the client posts the press and the release as Windows would give them; the button
  // held and the pointer's travel are the X server's.
  display.MovePointer(450, 10);
  display.PressButton(3);
  EXPECT_EQ(Client({"button", "down", "450", "10"}).first, std::optional<int>(0));
  for (int i = 1; i <= 6; ++i) {
    display.MovePointer(450 + i * 10, 10 + i * 20);
    EXPECT_TRUE(Eventually(
        [&] {
          const Geometry g = display.WindowGeometry(*main);
          return g.x == i * 10 && g.y == i * 20;
        },
        5s))
        << "step " << i;
  }
  display.ReleaseButton(3);
  EXPECT_EQ(Client({"button", "up", "510", "130"}).first, std::optional<int>(0));
  // Released: the pointer moves on alone.
  display.MovePointer(900, 600);
  display.WaitPixel(0, 0, {1, 2, 3}, 1s);
  const Geometry g = display.WindowGeometry(*main);
  EXPECT_EQ(g.x, 60);
  EXPECT_EQ(g.y, 120);
  EXPECT_EQ(Client({"press", "Close"}).first, std::optional<int>(0));
  EXPECT_EQ(program->process().WaitExit(20s), std::optional<int>(0));
  EXPECT_EQ(Preference("WindowX"), 60);
  EXPECT_EQ(Preference("WindowY"), 120);
}

TEST_F(WindowsE2ETest, RefusedWakesStopNeitherThePanelNorTheCountdown) {
  ASSERT_TRUE(sim.ok());
  PlayOneSong();
  ASSERT_NO_FATAL_FAILURE(Boot());
  // The test build treats every wake of the event queue as refused, as Windows refuses a
  // message to a full queue.
  auto program =
      Start(STATIONPLAYER_WINDOWS_FAULTS_EXE, "-all", {{"STATIONPLAYER_REFUSE_WAKES", "1"}});
  const auto main = display.FindWindow(kMainTitle, 120s);
  ASSERT_TRUE(main) << program->Log();
  EXPECT_TRUE(Eventually([&] { return RightmostInk(display, kTitleRow) > 330; }, 30s))
      << "song never shown";
  ASSERT_TRUE(Eventually([&] { return RightmostInk(display, kTimeLeftValue) > 280; }, 10s));
  const auto countdown = display.Pixels(kTimeLeftValue);
  sim.Control("POST", "clock", {{"speed", 1}});
  EXPECT_TRUE(Eventually([&] { return display.Pixels(kTimeLeftValue) != countdown; }, 10s));
  display.MovePointer(706, 12);
  display.PressLeft();
  EXPECT_EQ(program->process().WaitExit(20s), std::optional<int>(0));
  display.ReleaseLeft();
}

// A cover list from the network names files by Windows' rules: separators, drives,
// streams, devices, trimmed dots and spaces, other cases and short names of our own
// files. Each such entry, on a song whose words it holds, must end the run before
// anything is requested, written or deleted; a plain name still gives its cover.
TEST_F(WindowsE2ETest, HostileCoverNamesTouchNoFile) {
  namespace fs = std::filesystem;
  ASSERT_TRUE(sim.ok());
  ASSERT_EQ(Run({kWine, "wineboot", "-i"}, 180s), std::optional<int>(0));
  ASSERT_EQ(Run({kWineServer, "-w"}, 60s), std::optional<int>(0));
  const std::string roaming = prefix + "/drive_c/users/root/AppData/Roaming/";
  fs::create_directories(AppFolder());
  const std::string prefs =
      "{\r\n  \"WindowW\"    : 730,\r\n  \"WindowX\"    : 0,\r\n  \"WindowY\"    : 0,\r\n"
      "  \"Preferences\": \"" +
      JsonEscaped(kWindowsFolder) +
      "\",\r\n"
      "  \"MainStation\": \"tidemark\",\r\n  \"cWindDock\"  : 0,\r\n  \"cWinX\"      : 0,\r\n"
      "  \"cWinY\"      : 0,\r\n  \"cWinOpen\"   : 0,\r\n  \"WindowH\"    : 195\r\n}";
  WriteFile(AppFolder() + "preferences.json", prefs);
  const std::string outside = roaming + "kelp harbour.jpg";
  WriteFile(outside, "the user's own picture");
  // The short name this file system gives preferences.json, from the folder's listing
  // ("... PREF~OEM.JSO preferences.json").
  std::string folder = kWindowsFolder;
  folder.pop_back();
  const auto [listed, listing] = RunForOutput({kWine, "cmd", "/c", "dir", "/x", folder});
  ASSERT_EQ(listed, std::optional<int>(0));
  const std::size_t long_name = listing.find(" preferences.json");
  ASSERT_NE(long_name, std::string::npos) << listing;
  const std::size_t start = listing.rfind(' ', long_name - 1) + 1;
  const std::string short_entry = listing.substr(start, long_name - start);
  ASSERT_NE(short_entry.find('~'), std::string::npos) << listing;

  // Each entry with a song title whose words it holds, so it is the match.
  const std::vector<std::pair<std::string, std::string>> hostile = {
      {R"(..\..\kelp harbour.jpg)", "Kelp Harbour"},
      {R"(c:kelp drive.jpg)", "Kelp Drive"},
      {R"(\\127.0.0.1\c$\kelp unc.jpg)", "Kelp UNC"},
      {"kelp stream.jpg:x", "Kelp Stream"},
      {"preferences.json::$DATA", "Preferences JSON Data"},
      {"preferences.json.", "Preferences JSON"},
      {"PREFERENCES.JSON", "Preferences JSON Case"},
      {short_entry, short_entry},
      {"cover.txt ", "Cover TXT"},
      {"kelp dot.jpg.", "Kelp Dot"},
      {"CON", "CON"},
      {"nul", "NUL"},
      {"COM1.jpg", "COM1 JPG"},
      {"lpt1", "LPT1"},
      {"kelp<pipe>.jpg", "Kelp Pipe"},
  };
  const auto list_requests = [&] {
    int n = 0;
    for (const auto& r : sim.Requests()) n += r["path"] == "/tidemark-radio/Covers/dateien.txt";
    return n;
  };
  const auto put_on_air = [&](int index, const std::string& title, const std::string& artist,
                              const std::string& album) {
    // A clock far past the song before, so the program fetches the new one at once.
    char now[32];
    std::snprintf(now, sizeof now, "2026-12-%02d 21:00:00", 8 + index);
    sim.Control(
        "POST", "scenario",
        {{"clock", {{"now", now}, {"speed", 0}}},
         {"playlist_start", std::string(now, 11) + "20:59:50"},
         {"songs",
          json::array(
              {{{"title", title}, {"artist", artist}, {"album", album}, {"length", 600}}})}});
  };
  // The song on air at start matches nothing.
  sim.Control(
      "POST", "faults",
      {{"path", "/tidemark-radio/Covers/dateien.txt"}, {"kind", "custom"}, {"body", "x\r\n"}});
  int index = 0;
  put_on_air(index++, "Prelude", "", "");
  auto program = Start();
  ASSERT_TRUE(display.FindWindow(kMainTitle, 120s)) << program->Log();
  ASSERT_TRUE(Eventually([&] { return list_requests() > 0; }, 30s)) << program->Log();
  for (const auto& [entry, title] : hostile) {
    const int before = list_requests();
    sim.Control("POST", "faults",
                {{"path", "/tidemark-radio/Covers/dateien.txt"},
                 {"kind", "custom"},
                 {"body", entry + "\r\n"}});
    put_on_air(index++, title, "", "");
    // The list asked for shows the run has begun; the next list shows it is over.
    EXPECT_TRUE(Eventually([&] { return list_requests() > before; }, 20s)) << entry;
  }
  sim.Control("DELETE", "faults");
  put_on_air(index, "Low Tide Roller", "Kelp Circuit", "Night Harbour");
  const sp::Bitmap expected = ExpectedCover();
  ASSERT_GT(expected.width, 0);
  EXPECT_TRUE(Eventually(
      [&] {
        return Mismatch(CaptureArea(display, {2, 26, 168, 168}), expected) < 0.05;
      },
      30s))
      << "the plain name gave no cover";

  // The program asked for the plain name's cover alone (the test's own request for the
  // expected picture aside).
  std::vector<std::string> covers;
  for (const auto& r : sim.Requests()) {
    const std::string path = r["path"];
    if (path.starts_with("/tidemark-radio/Covers/") &&
        path != "/tidemark-radio/Covers/dateien.txt" && r["user_agent"] != "sim-test")
      covers.push_back(path);
  }
  EXPECT_EQ(covers, std::vector<std::string>{std::string("/tidemark-radio/Covers/") + kKelp});
  // Our own files and the user's are as they were; no file of those names was made
  // anywhere in the prefix or the working folder.
  EXPECT_EQ(ReadFile(AppFolder() + "preferences.json"), prefs);
  EXPECT_EQ(ReadFile(outside), "the user's own picture");
  EXPECT_NE(ReadFile(AppFolder() + "cover.txt").find("Kelp Circuit - Low Tide Roller"),
            std::string::npos);
  std::vector<std::string> made;
  for (const std::string& top : {home.path(), fs::current_path().string()}) {
    for (const auto& e :
         fs::recursive_directory_iterator(top, fs::directory_options::skip_permission_denied)) {
      std::string name = e.path().filename().string();
      for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
      if (e.path() != outside && e.path() != AppFolder() + "cover.txt" &&
          (name.find("kelp") != std::string::npos || name.starts_with("prefer") ||
           name.starts_with("cover")))
        made.push_back(e.path().string());
    }
  }
  EXPECT_EQ(made, std::vector<std::string>{AppFolder() + "preferences.json"});
}

// Log-off or shut-down (what `wineboot --end-session` sends every window): the program
// ends as its close button does, and the place the window was moved to is kept.
TEST_F(WindowsE2ETest, TheSessionsEndKeepsTheMovedWindowsPlaceAsTheCloseButtonDoes) {
  ASSERT_EQ(Run({kWine, "wineboot", "-i"}, 180s), std::optional<int>(0));
  ASSERT_EQ(Run({kWineServer, "-w"}, 60s), std::optional<int>(0));
  auto program = Start();
  const auto main = display.FindWindow(kMainTitle, 120s);
  ASSERT_TRUE(main) << program->Log();
  display.MoveWindow(*main, 333, 77);
  ASSERT_TRUE(Eventually([&] { return display.WindowGeometry(*main).x == 333; }, 5s));
  display.WaitPixel(0, 0, {1, 2, 3}, 300ms);  // let the program see the move
  ASSERT_EQ(Run({kWine, "wineboot", "--end-session"}, 60s), std::optional<int>(0));
  EXPECT_EQ(program->process().WaitExit(20s), std::optional<int>(0));
  EXPECT_NE(ReadFile(AppFolder() + "preferences.json")
                .find("\"WindowX\"    : 333,\r\n  \"WindowY\"    : 77,\r\n"),
            std::string::npos)
      << ReadFile(AppFolder() + "preferences.json");
}

#ifdef STATIONPLAYER_WINDOWS_INSTALLER
TEST_F(WindowsE2ETest, TheInstallerInstallsTheProgramAndRemovesIt) {
  namespace fs = std::filesystem;
  ASSERT_TRUE(sim.ok());
  PlayOneSong();
  // Silently, into a new prefix.
  ASSERT_EQ(Run({kWine, STATIONPLAYER_WINDOWS_INSTALLER, "/S"}, 180s), std::optional<int>(0));
  const std::string folder = prefix + "/drive_c/Program Files/Tidemark Drum and Bass FM/";
  const std::string menu =
      prefix +
      "/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tidemark Drum and Bass FM";
  const std::string entry = menu + "/Tidemark Drum and Bass FM.lnk";
  EXPECT_TRUE(fs::exists(folder + "stationplayer.exe"));
  // The Start menu entry leads to the program, whose first icon it shows: the program
  // carries its icon and its version information.
  EXPECT_NE(ReadFile(entry).find("stationplayer.exe"), std::string::npos);
  const auto [listed, resources] = RunForOutput({"wrestool", "-l", folder + "stationplayer.exe"});
  EXPECT_NE(resources.find("type=group_icon"), std::string::npos) << resources;
  EXPECT_NE(resources.find("type=version"), std::string::npos) << resources;
  // And its manifest, the one Windows reads at start (RT_MANIFEST 1): the common controls'
  // version 6, awareness of the system's DPI, the user's own rights.
  const auto [extracted, manifest] = RunForOutput(
      {"wrestool", "-x", "--raw", "--type=24", "--name=1", folder + "stationplayer.exe"});
  for (const char* part : {R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
                           ">true</dpiAware>", R"(level="asInvoker")"})
    EXPECT_NE(manifest.find(part), std::string::npos) << part << "\n" << manifest;
  // Windows lists it for removal.
  const std::string key =
      R"(HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\stationplayer)";
  const auto [found_key, values] = RunForOutput({kWine, "reg", "query", key});
  EXPECT_EQ(found_key, std::optional<int>(0));
  EXPECT_NE(values.find("Tidemark Drum and Bass FM"), std::string::npos) << values;
  EXPECT_NE(values.find(std::string("\"") + kInstalled + "Uninstall.exe\""), std::string::npos)
      << values;

  // The installed program shows the station's song and closes cleanly.
  auto program = Start(std::string(kInstalled) + "stationplayer.exe");
  const auto main = display.FindWindow(kMainTitle, 60s);
  ASSERT_TRUE(main) << program->Log();
  const Geometry g = display.WindowGeometry(*main);
  ASSERT_EQ(g.x, 0);
  ASSERT_EQ(g.y, 0);
  EXPECT_TRUE(Eventually([&] { return RightmostInk(display, kTitleRow) > 330; }, 30s))
      << "song never shown";
  display.MovePointer(g.x + 706, g.y + 12);
  display.PressLeft();
  EXPECT_EQ(program->process().WaitExit(20s), std::optional<int>(0));
  display.ReleaseLeft();
  EXPECT_TRUE(fs::exists(AppFolder() + "preferences.json"));

  // The uninstaller hands its work to a copy of itself and returns at once.
  EXPECT_EQ(Run({kWine, std::string(kInstalled) + "Uninstall.exe", "/S"}, 60s),
            std::optional<int>(0));
  EXPECT_TRUE(Eventually([&] { return !fs::exists(folder); }, 60s)) << "program left";
  EXPECT_FALSE(fs::exists(menu));
  EXPECT_NE(RunForOutput({kWine, "reg", "query", key}).first, std::optional<int>(0));
  // The user's own folder stays.
  EXPECT_TRUE(fs::exists(AppFolder() + "preferences.json"));
}
#endif

}  // namespace
}  // namespace e2e
