// Where the main window opens and what preferences.json holds after a close, or after
// the session ends, as a user would see it across two runs of the program.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

std::string PreferencesText(const std::string& folder, int x, int y) {
  return "{\r\n"
         "  \"WindowW\"    : 730,\r\n"
         "  \"WindowX\"    : " +
         std::to_string(x) +
         ",\r\n"
         "  \"WindowY\"    : " +
         std::to_string(y) +
         ",\r\n"
         "  \"Preferences\": \"" +
         folder +
         "\",\r\n"
         "  \"MainStation\": \"tidemark\",\r\n"
         "  \"cWindDock\"  : 0,\r\n"
         "  \"cWinX\"      : 0,\r\n"
         "  \"cWinY\"      : 0,\r\n"
         "  \"cWinOpen\"   : 0,\r\n"
         "  \"WindowH\"    : 195\r\n"
         "}";
}

class PreferencesTest : public ::testing::Test {
 protected:
  std::string Folder() { return home.path() + "/.config/lumo/Tidemark Drum and Bass FM/"; }
  std::string File() { return Folder() + "preferences.json"; }

  Xvfb display;
  TempDir home;
};

TEST_F(PreferencesTest, OpensWhereItWasAndWritesTheNewPlaceAtClose) {
  WriteFile(File(), PreferencesText(Folder(), 100, 200));
  Program program(display, home);
  const auto window = display.FindWindow(kMainTitle);
  ASSERT_TRUE(window) << program.Log();
  Geometry g = display.WindowGeometry(*window);
  EXPECT_EQ(g.x, 100);
  EXPECT_EQ(g.y, 200);

  display.MoveWindow(*window, 321, 47);
  for (int i = 0; i < 100 && display.WindowGeometry(*window).x != 321; ++i)
    display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
  display.WaitPixel(0, 0, {1, 2, 3}, 200ms);  // let the program see the move
  display.MovePointer(321 + 706, 47 + 12);
  display.PressLeft();
  ASSERT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
  display.ReleaseLeft();
  EXPECT_EQ(ReadFile(File()), PreferencesText(Folder(), 321, 47));
}

// What a session manager or systemd sends at log-out (and `kill`), a terminal's Ctrl+C
// (to its whole process group) and a terminal's hang-up: each ends the program as its
// close button does, and the place the window was moved to is kept.
TEST_F(PreferencesTest, TermIntAndHupEachEndLikeTheCloseButtonAndKeepTheNewPlace) {
  int x = 300;
  for (const auto& [signal, group] : {std::pair{SIGTERM, false}, {SIGINT, true}, {SIGHUP, false}}) {
    SCOPED_TRACE(strsignal(signal));
    Program program(display, home);
    const auto window = display.FindWindow(kMainTitle);
    ASSERT_TRUE(window) << program.Log();
    x += 40;
    display.MoveWindow(*window, x, 60);
    for (int i = 0; i < 100 && display.WindowGeometry(*window).x != x; ++i)
      display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
    display.WaitPixel(0, 0, {1, 2, 3}, 200ms);  // let the program see the move
    const pid_t pid = program.process().pid();
    ASSERT_EQ(::kill(group ? -pid : pid, signal), 0);
    ASSERT_EQ(program.process().WaitExit(10s), std::optional<int>(0)) << program.Log();
    EXPECT_EQ(ReadFile(File()), PreferencesText(Folder(), x, 60));
  }
}

TEST_F(PreferencesTest, NoFileMeansTheOriginAndAFileAfterTheCloseRequest) {
  Program program(display, home);
  const auto window = display.FindWindow(kMainTitle);
  ASSERT_TRUE(window);
  EXPECT_EQ(display.WindowGeometry(*window).x, 0);
  display.RequestClose(*window);
  ASSERT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
  EXPECT_EQ(ReadFile(File()), PreferencesText(Folder(), 0, 0));
}

// A place no monitor shows opens the window where its strip can be reached; the
// file keeps the stored place until the window is moved. A place partly on screen,
// left of the screen's edge, is kept as it is.
TEST(PreferencesPlacement, AWindowOutOfReachOpensOnScreenAndOneHalfOnScreenStays) {
  Xvfb display(1920, 1080);
  for (const auto& [stored, expect_moved] :
       {std::pair{std::pair{5000, 3000}, true}, std::pair{std::pair{-200, 60}, false}}) {
    TempDir home;
    const std::string folder = home.path() + "/.config/lumo/Tidemark Drum and Bass FM/";
    WriteFile(folder + "preferences.json", PreferencesText(folder, stored.first, stored.second));
    Program program(display, home);
    const auto window = display.FindWindow(kMainTitle);
    ASSERT_TRUE(window) << program.Log();
    const Geometry g = display.WindowGeometry(*window);
    if (expect_moved) {
      EXPECT_GE(g.x, 0);
      EXPECT_GE(g.y, 0);
      EXPECT_LE(g.x + g.width, 1920);
      EXPECT_LE(g.y + g.height, 1080);
    } else {
      EXPECT_EQ(g.x, stored.first);
      EXPECT_EQ(g.y, stored.second);
    }
    display.WaitPixel(0, 0, {1, 2, 3}, 300ms);  // let the program see where it is
    display.RequestClose(*window);
    ASSERT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
    EXPECT_EQ(ReadFile(folder + "preferences.json"),
              PreferencesText(folder, stored.first, stored.second));
  }
}

// Damaged files: start-up neither crashes nor hangs, and the defaults apply.
void ExpectDefaultsWith(Xvfb& display, TempDir& home, const std::string& file,
                        const std::string& content) {
  WriteFile(file, content);
  Program program(display, home);
  const auto window = display.FindWindow(kMainTitle, 20s);
  ASSERT_TRUE(window) << program.Log();
  EXPECT_EQ(display.WindowGeometry(*window).x, 0);
  EXPECT_EQ(display.WindowGeometry(*window).y, 0);
  EXPECT_TRUE(program.process().Running());
}

TEST_F(PreferencesTest, RandomBytesGiveTheDefaults) {
  std::mt19937 rng(7);
  std::string bytes(4096, '\0');
  for (char& c : bytes) c = char(rng());
  ExpectDefaultsWith(display, home, File(), bytes);
}

TEST_F(PreferencesTest, AFiftyMegabyteFileGivesTheDefaults) {
  std::string big = "{\"WindowX\": 100, \"pad\": \"";
  big.append(50u << 20, 'x');
  big += "\"}";
  ExpectDefaultsWith(display, home, File(), big);
}

TEST_F(PreferencesTest, NestingAHundredThousandLevelsDeepGivesTheDefaults) {
  ExpectDefaultsWith(display, home, File(), std::string(100000, '[') + std::string(100000, ']'));
}

}  // namespace
}  // namespace e2e
