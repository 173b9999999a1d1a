// Whether a restored window can still be reached by its top strip.
#include "ui/placement.h"

#include <gtest/gtest.h>

#include "app/app_data.h"
#include "platform/headless/headless.h"
#include "station/song_watcher.h"
#include "ui/main_window.h"
#include "quiet_station.h"
#include "ui/window_hook.h"

namespace sp {
namespace {

// The main window's strip at 100 %: 730 x 21, of which 40 x 10 must show.
constexpr StripReach kMainStrip{730, 21, 40, 10};
const Rect kPrimary{0, 0, 1920, 1080};
const Rect kWork{0, 30, 1920, 1050};  // a panel along the top

Point Place(Point stored, const std::vector<Rect>& monitors) {
  return ReachablePosition(stored, kMainStrip, monitors, kWork);
}

TEST(Placement, KeepsPlacesShowingEnoughOfTheStripAndRescuesTheRest) {
  const std::vector<Rect> one{kPrimary};
  EXPECT_EQ(Place({100, 200}, one), (Point{100, 200}));
  EXPECT_EQ(Place({-365, 500}, one), (Point{-365, 500}));    // half the strip on screen
  EXPECT_EQ(Place({1880, 1070}, one), (Point{1880, 1070}));  // just 40 x 10 of it
  EXPECT_EQ(Place({1881, 1070}, one), (Point{0, 30}));
  EXPECT_EQ(Place({0, -12}, one), (Point{0, 30}));
  EXPECT_EQ(Place({5000, 3000}, one), (Point{0, 30}));
  EXPECT_EQ(Place({INT64_MAX, INT64_MIN}, one), (Point{0, 30}));
  // Monitors left of and above the primary keep negative places; unplugged, not.
  const std::vector<Rect> three{kPrimary, {-1280, 0, 1280, 1024}, {0, -900, 1600, 900}};
  EXPECT_EQ(Place({-1000, 60}, three), (Point{-1000, 60}));
  EXPECT_EQ(Place({200, -800}, three), (Point{200, -800}));
  EXPECT_EQ(Place({-1000, -500}, three), (Point{0, 30}));  // the corner between them
  EXPECT_EQ(Place({-1000, 60}, one), (Point{0, 30}));
  EXPECT_EQ(Place({-1000, -500}, {}), (Point{-1000, -500}));  // screens unknown
}

// At start-up both windows open in reach; the report of that move is the program's
// own, so the stored places stay until the user moves a window.
TEST(Placement, StartUpRescuesBothWindowsAndKeepsTheStoredPlaces) {
  headless::Reset();
  SetSongWatcherDepsProvider(test::QuietStation);
  headless::TheWorld().screens = ui::ScreenLayout{{kPrimary}, kWork};
  AppData.Clear();
  AppData.WindowX = 5000;
  AppData.cWinX = -4000;
  AppData.cWinOpen = 1;
  OpenMainWindow();
  EXPECT_EQ(headless::TheWorld().windows.at(1).position, (Point{0, 30}));
  EXPECT_EQ(headless::TheWorld().windows.at(2).position, (Point{0, 30}));
  WindowHook(WindowId::Main, ui::WindowMessage::Move);
  WindowHook(WindowId::Cover, ui::WindowMessage::Move);
  EXPECT_EQ(AppData.WindowX, 5000);
  EXPECT_EQ(AppData.cWinX, -4000);
  StopSongWatcher();
  headless::Reset();
}

}  // namespace
}  // namespace sp
