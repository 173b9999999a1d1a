// The main window's handlers, driven off-screen through the headless backend.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include "app/app_data.h"
#include "platform/events.h"
#include "platform/headless/headless.h"
#include "platform/image_store.h"
#include "platform/mouse.h"
#include "platform/text.h"
#include "build_config.h"
#include "station/song_watcher.h"
#include "quiet_station.h"
#include "ui/title_buttons.h"

namespace sp {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    SetSongWatcherDepsProvider(test::QuietStation);
    CreateButtonStates();
    text::CreateFont(FontId::Button, "Arial", 12);
    AppData.Clear();
    AppData.MainStation = "tidemark";
    AppData.WindowX = -40;
    AppData.WindowY = 300;
    OpenMainWindow();
  }
  void TearDown() override {
    StopSongWatcher();
    headless::Reset();
  }

  static Pixel CanvasPixel(ControlId id, int x, int y) {
    return controls::Find(id)->picture.At(x, y);
  }
};

TEST_F(MainWindowTest, OpensAtTheStoredPositionWithTitleAndEveryControl) {
  auto& world = headless::TheWorld();
  const auto& main = world.windows.at(1);
  EXPECT_EQ(main.desc.title, "Tidemark Drum and Bass FM - tidemark");
  EXPECT_EQ(main.position, (Point{-40, 300}));
  EXPECT_EQ(main.desc.width, 730);
  EXPECT_EQ(main.desc.height, 195);
  EXPECT_TRUE(main.visible);
  for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14})
    EXPECT_TRUE(world.control_specs.count(id)) << "control " << id;
  EXPECT_EQ(world.control_specs.at(4).x, 676);  // placed from the right edge
  EXPECT_EQ(world.control_specs.at(3).x, 630);
  EXPECT_EQ(world.control_specs.at(5).x, 684);
  EXPECT_EQ(ui::ControlText(ControlId::TitleText), "  Tidemark Drum and Bass FM  ");
  EXPECT_EQ(ui::ControlText(ControlId::TimeLeftLabel), "    Time Left    :");
  EXPECT_EQ(ui::ControlText(ControlId::TimeLeftValue), "");
}

TEST_F(MainWindowTest, ButtonsShowTheirNormalFaceOnceTheLoopRunsAndLightUpUnderThePointer) {
  ASSERT_EQ(ButtonStates().size(), 3u);
  for (const char* key : {"2", "3", "5"}) ASSERT_TRUE(ButtonStates().count(key));
  DispatchPosted();  // the first MouseLeave of each button
  EXPECT_EQ(CanvasPixel(ControlId::CloseButton, 0, 0), OpaquePixel({76, 74, 72}));
  EXPECT_EQ(CanvasPixel(ControlId::CloseButton, 18, 8), OpaquePixel({255, 255, 255}));
  EXPECT_EQ(CanvasPixel(ControlId::CloseButton, 27, 8), OpaquePixel({255, 255, 255}));
  EXPECT_EQ(CanvasPixel(ControlId::MinimizeButton, 27, 13), OpaquePixel({255, 255, 255}));

  mouse::PointerMoved(ControlId::CloseButton);
  EXPECT_EQ(CanvasPixel(ControlId::CloseButton, 0, 0), OpaquePixel({217, 95, 95}));
  mouse::PointerMoved(ControlId::MinimizeButton);
  EXPECT_EQ(CanvasPixel(ControlId::MinimizeButton, 0, 0), OpaquePixel({94, 92, 91}));
  mouse::PointerLeft(ControlId::CloseButton);
  EXPECT_EQ(CanvasPixel(ControlId::CloseButton, 0, 0), OpaquePixel({76, 74, 72}));

  // SUBSCRIBE's text turns from grey to near-white.
  auto count = [](Rgb c) {
    int n = 0;
    for (Pixel p : controls::Find(ControlId::SubscribeButton)->picture.pixels)
      n += p == OpaquePixel(c);
    return n;
  };
  EXPECT_GT(count({146, 146, 146}), 0);
  mouse::PointerMoved(ControlId::SubscribeButton);
  EXPECT_EQ(count({146, 146, 146}), 0);
  EXPECT_GT(count({249, 249, 249}), 0);
}

TEST_F(MainWindowTest, EveryPressOnSubscribeOpensTheChannelPageAndAClickDoesNothingMore) {
  mouse::LeftPressed(ControlId::SubscribeButton);
  mouse::LeftReleased(ControlId::SubscribeButton, true);
  mouse::LeftPressed(ControlId::SubscribeButton);  // the second half of a double click
  mouse::LeftReleased(ControlId::SubscribeButton, true);
  EXPECT_EQ(headless::TheWorld().opened_urls,
            (std::vector<std::string>{sp::config::kChannelPage, sp::config::kChannelPage}));
}

TEST_F(MainWindowTest, MinimiseActsOnThePressOnlyWhileTheWindowIsVisible) {
  mouse::LeftPressed(ControlId::MinimizeButton);
  EXPECT_TRUE(ui::IsWindowMinimized(WindowId::Main));
}

TEST_F(MainWindowTest, CloseButtonAndCloseRequestBothEndTheProgram) {
  EXPECT_THROW(mouse::LeftPressed(ControlId::CloseButton), headless::ProcessEnded);
  EXPECT_THROW(Raise(Event{EventClass::CloseRequest, 1, 0, 0, {}}), headless::ProcessEnded);
  // A close request for any other window has no handler.
  EXPECT_NO_THROW(Raise(Event{EventClass::CloseRequest, 2, 0, 0, {}}));
}

TEST_F(MainWindowTest, AppEventsSetTheirTextsAndEventsWithoutTextChangeNothing) {
  Post(EventClass::App, 1, 0, event_type::TimeLeft, std::string("03 : 07"));
  Post(EventClass::App, 5, 0, event_type::TimeLeft);  // no data
  Post(EventClass::App, 1, 0, 12345, std::string("ignored"));
  DispatchPosted();
  EXPECT_EQ(ui::ControlText(ControlId::TimeLeftValue), "03 : 07");
}

TEST(OpenMainWindowFailureTest, ShowsTheMessageBoxAndEnds) {
  headless::Reset();
  headless::TheWorld().fail_windows = true;
  EXPECT_THROW(OpenMainWindow(), headless::ProcessEnded);
  EXPECT_EQ(headless::TheWorld().message_boxes,
            (std::vector<std::string>{"Info|Could not open main window.\r\rApp terminated!"}));
  headless::Reset();
}

}  // namespace
}  // namespace sp

namespace sp {
namespace {

TEST(OpenMainWindowExtremesTest, HugeStoredPositionsNeitherOverflowNorReachTheWindowSystem) {
  headless::Reset();
  SetSongWatcherDepsProvider(test::QuietStation);
  AppData.Clear();
  AppData.MainStation = "tidemark";
  AppData.WindowX = INT64_MAX;
  AppData.WindowY = INT64_MIN;
  AppData.cWinOpen = 1;
  AppData.cWindDock = 1;
  OpenMainWindow();
  StopSongWatcher();
  EXPECT_EQ(AppData.cWinX, INT64_MAX);  // saturated, not wrapped
  EXPECT_EQ(AppData.cWinY, INT64_MIN);
  EXPECT_EQ(Dpi{}.ToPxX(INT64_MAX), 1 << 30);
  EXPECT_EQ(Dpi{}.ToPxY(INT64_MIN), -(1 << 30));
  headless::Reset();
}

}  // namespace
}  // namespace sp
