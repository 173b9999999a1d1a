// The main window as a person meets it: where it opens, how it looks, how its title
// buttons answer the pointer, and how the program ends.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

constexpr Rgb kStrip{76, 74, 72};
constexpr Rgb kBody{33, 33, 33};
constexpr Rgb kTimeLeft{124, 134, 160};

class MainWindowTest : public ::testing::Test {
 protected:
  XWindowId Open(ProgramOptions options = {}) {
    program.emplace(display, home, std::move(options));
    auto window = display.FindWindow(kMainTitle);
    if (!window) ADD_FAILURE() << "no main window; log:\n" << program->Log();
    return window.value_or(0);
  }

  Xvfb display;
  TempDir home;
  std::optional<Program> program;
};

TEST_F(MainWindowTest, OpensBorderlessAtTheOriginWithItsColoursAndCreatesTheAppFolder) {
  const XWindowId window = Open();
  ASSERT_NE(window, 0u);
  const Geometry g = display.WindowGeometry(window);
  EXPECT_EQ(g.x, 0);
  EXPECT_EQ(g.y, 0);
  EXPECT_EQ(g.width, 730);
  EXPECT_EQ(g.height, 195);
  EXPECT_FALSE(display.HasDecorations(window));
  EXPECT_EQ(display.IconSize(window), (std::pair<int, int>{168, 168}));  // the station logo

  EXPECT_EQ(display.WaitPixel(500, 3, kStrip), kStrip);    // title strip
  EXPECT_EQ(display.WaitPixel(680, 12, kStrip), kStrip);   // gap between the buttons
  EXPECT_EQ(display.WaitPixel(1, 100, kStrip), kStrip);    // left border
  EXPECT_EQ(display.WaitPixel(400, 194, kStrip), kStrip);  // bottom border
  EXPECT_EQ(display.WaitPixel(0, 100, kBody), kBody);      // window body

  // "    Time Left    :" in its colour on black.
  EXPECT_EQ(display.WaitPixel(272, 150, Rgb{0, 0, 0}), (Rgb{0, 0, 0}));
  EXPECT_GT(display.CountPixels({169, 127, 106, 27}, kTimeLeft), 10);
  EXPECT_EQ(display.CountPixels({169, 127, 12, 27}, kTimeLeft), 0);  // four spaces first

  EXPECT_TRUE(std::filesystem::is_directory(program->AppFolder()));
}

TEST_F(MainWindowTest, TitleButtonsLightUpUnderThePointerAndRestoreWhenItLeaves) {
  ASSERT_NE(Open(), 0u);
  const Geometry subscribe{555, 4, 73, 21};
  ASSERT_EQ(display.WaitPixel(632, 2, kStrip), kStrip);
  EXPECT_GT(display.CountPixels(subscribe, {146, 146, 146}), 5);
  EXPECT_EQ(display.CountPixels(subscribe, {249, 249, 249}), 0);

  display.MovePointer(590, 14);
  display.WaitPixel(0, 0, kStrip, 300ms);
  for (int i = 0; i < 100 && display.CountPixels(subscribe, {249, 249, 249}) == 0; ++i)
    display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
  EXPECT_GT(display.CountPixels(subscribe, {249, 249, 249}), 5);
  EXPECT_EQ(display.CountPixels(subscribe, {146, 146, 146}), 0);

  display.MovePointer(640, 20);  // minimise button
  EXPECT_EQ(display.WaitPixel(632, 2, {94, 92, 91}), (Rgb{94, 92, 91}));
  EXPECT_GT(display.CountPixels(subscribe, {146, 146, 146}), 5);  // SUBSCRIBE back to normal
  EXPECT_EQ(display.Pixel(650, 13), (Rgb{255, 255, 255}));        // the minimise line

  display.MovePointer(700, 20);  // close button
  EXPECT_EQ(display.WaitPixel(686, 2, {217, 95, 95}), (Rgb{217, 95, 95}));
  EXPECT_EQ(display.WaitPixel(632, 2, kStrip), kStrip);

  display.MovePointer(300, 100);  // away from every button
  EXPECT_EQ(display.WaitPixel(686, 2, kStrip), kStrip);
  EXPECT_TRUE(program->process().Running());
}

TEST_F(MainWindowTest, APressOnTheCloseButtonEndsTheProgramWithCodeZero) {
  ASSERT_NE(Open(), 0u);
  display.MovePointer(706, 12);
  display.PressLeft();  // the action is on the press, not the release
  EXPECT_EQ(program->process().WaitExit(10s), std::optional<int>(0));
  display.ReleaseLeft();
}

TEST_F(MainWindowTest, ACloseRequestFromTheWindowSystemEndsTheProgramWithCodeZero) {
  const XWindowId window = Open();
  ASSERT_NE(window, 0u);
  display.RequestClose(window);
  EXPECT_EQ(program->process().WaitExit(10s), std::optional<int>(0));
}

TEST_F(MainWindowTest, SubscribeOpensTheChannelPageInTheDefaultBrowser) {
  // A stand-in browser registered as the user's handler for web addresses.
  const std::string opened = home.path() + "/opened.txt";
  WriteFile(home.path() + "/.local/share/applications/fake-browser.desktop",
            "[Desktop Entry]\nType=Application\nName=Fake Browser\n"
            "Exec=/bin/sh -c 'echo \"$1\" >> " +
                opened +
                "' sh %u\n"
                "MimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
  WriteFile(home.path() + "/.config/mimeapps.list",
            "[Default Applications]\nx-scheme-handler/http=fake-browser.desktop\n"
            "x-scheme-handler/https=fake-browser.desktop\n");
  ASSERT_NE(Open(), 0u);
  display.MovePointer(590, 14);
  display.ClickLeft();
  for (int i = 0; i < 250 && ReadFile(opened).empty(); ++i)
    display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
  EXPECT_EQ(ReadFile(opened), std::string(E2E_CHANNEL_PAGE) + "\n");
  EXPECT_TRUE(program->process().Running());
}

TEST_F(MainWindowTest, MinimiseButtonIconifiesTheWindowUnderAWindowManager) {
  display.StartWindowManager();
  const XWindowId window = Open();
  ASSERT_NE(window, 0u);
  const Geometry g = display.WindowGeometry(window);
  display.MovePointer(g.x + 652, g.y + 12);
  display.ClickLeft();
  bool hidden = false;
  for (int i = 0; i < 250 && !hidden; ++i) {
    hidden = !display.Viewable(window);
    display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
  }
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(program->process().Running());
}

TEST(StartupTest, WithoutADisplayItSaysSoAndExitsWithCodeZero) {
  TempDir home;
  Process p({STATIONPLAYER_EXE}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"HOME", home.path()}},
            home.path() + "/log");
  EXPECT_EQ(p.WaitExit(20s), std::optional<int>(0));
  EXPECT_NE(ReadFile(home.path() + "/log").find("display"), std::string::npos);
}

TEST(StartupTest, AMainWindowThatCannotBeCreatedShowsTheMessageAndExitsWithCodeZero) {
  Xvfb display;
  TempDir home;
  Program program(display, home,
                  {.faults_build = true, .env = {{"STATIONPLAYER_FAIL_MAIN_WINDOW", "1"}}});
  const auto box = display.FindWindow("Info");
  ASSERT_TRUE(box.has_value()) << program.Log();
  EXPECT_FALSE(display.FindWindow(kMainTitle, 200ms).has_value());
  display.RequestClose(*box);
  EXPECT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
}

}  // namespace
}  // namespace e2e
