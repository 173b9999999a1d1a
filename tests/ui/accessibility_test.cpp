// What a screen reader is told of the windows, checked off-screen: roles and names,
// texts that follow what is drawn, and buttons that press as a click does.
#include <gtest/gtest.h>

#include "app/app_data.h"
#include "platform/events.h"
#include "platform/headless/headless.h"
#include "platform/mouse.h"
#include "quiet_station.h"
#include "station/current_song.h"
#include "station/song_watcher.h"
#include "ui/main_window.h"
#include "ui/title_buttons.h"

namespace sp {
namespace {

class AccessibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    SetSongWatcherDepsProvider(test::QuietStation);
    CreateButtonStates();
    AppData.Clear();
    AppData.MainStation = "tidemark";
    OpenMainWindow();
    DispatchPosted();
  }
  void TearDown() override {
    StopSongWatcher();
    headless::Reset();
  }
  static const AccessInfo& Told(ControlId id) { return headless::TheWorld().described.at(Num(id)); }
};

TEST_F(AccessibilityTest, EveryControlHasItsRoleAndNameAndTheButtonsPressAsAClickDoes) {
  const struct {
    ControlId id;
    AccessRole role;
    const char* name;
  } expected[] = {
      {ControlId::SubscribeButton, AccessRole::PushButton, "Subscribe"},
      {ControlId::MinimizeButton, AccessRole::PushButton, "Minimize"},
      {ControlId::CloseButton, AccessRole::PushButton, "Close"},
      {ControlId::CoverThumb, AccessRole::PushButton, "Cover"},
      {ControlId::CoverPicture, AccessRole::PushButton, "Close cover"},
      {ControlId::DockToggle, AccessRole::ToggleButton, "Dock to the main window"},
      {ControlId::TitleText, AccessRole::Label, "Tidemark Drum and Bass FM"},
      {ControlId::TimeLeftLabel, AccessRole::Label, "Time Left :"},
      {ControlId::TimeLeftValue, AccessRole::Label, ""},
      {ControlId::CoverCaption, AccessRole::Label, ""},
      {ControlId::TitleGap, AccessRole::Decoration, ""},
      {ControlId::BorderBottom, AccessRole::Decoration, ""},
      {ControlId::BorderLeft, AccessRole::Decoration, ""},
      {ControlId::BorderRight, AccessRole::Decoration, ""},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(Num(e.id));
    EXPECT_EQ(Told(e.id).role, e.role);
    EXPECT_EQ(Told(e.id).name, e.name);
    EXPECT_EQ(Told(e.id).focusable, Pressable(e.role));
  }
  EXPECT_TRUE(Told(ControlId::PlayerView).focusable);
  EXPECT_FALSE(Told(ControlId::DockToggle).checked);
  // The cover window has no title, but a name to be read by.
  auto& world = headless::TheWorld();
  EXPECT_EQ(world.windows.at(Num(WindowId::Cover)).desc.title, "");
  EXPECT_EQ(world.window_names[Num(WindowId::Cover)], "Cover");

  mouse::Click(ControlId::CoverThumb);
  EXPECT_TRUE(world.windows.at(Num(WindowId::Cover)).visible);
  mouse::Click(ControlId::DockToggle);
  EXPECT_EQ(AppData.cWindDock, 1);
  EXPECT_TRUE(Told(ControlId::DockToggle).checked);
  mouse::Click(ControlId::CoverPicture);
  EXPECT_FALSE(world.windows.at(Num(WindowId::Cover)).visible);
  mouse::Click(ControlId::MinimizeButton);
  EXPECT_TRUE(world.windows.at(Num(WindowId::Main)).minimized);
}

TEST_F(AccessibilityTest, TheSongIsReadAsDrawnAndOnlyItsChangeIsAnnounced) {
  auto& world = headless::TheWorld();
  DispatchPosted();  // the first redraw: the placeholders
  EXPECT_EQ(Told(ControlId::NowPlayingPanel).role, AccessRole::Label);
  EXPECT_EQ(Told(ControlId::NowPlayingPanel).name,
            "now playing...\nArtist : Artistenname\nTitle : Titelname\nAlbum : Albumname");
  EXPECT_TRUE(world.announced.empty());

  api_current_song record;
  record.artist.name = "Kelp Circuit";
  record.title = "Low Tide Roller";
  record.album = "Night Harbour";
  SharedSong song;
  song.Replace(record);
  Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::NowPlayingPanel),
       event_type::RedrawRequest, static_cast<const SharedSong*>(&song));
  Post(EventClass::App, 1, 0, event_type::CoverCaption, std::string("Night Harbour"));
  for (const char* countdown : {"03 : 21", "03 : 20"})
    Post(EventClass::App, 1, 0, event_type::TimeLeft, std::string(countdown));
  DispatchPosted();

  const std::string read =
      "now playing...\nArtist : Kelp Circuit\nTitle : Low Tide Roller\nAlbum : Night Harbour";
  EXPECT_EQ(Told(ControlId::NowPlayingPanel).name, read);
  EXPECT_EQ(world.announced, std::vector<std::string>{read});  // not the countdown
  EXPECT_EQ(Told(ControlId::TimeLeftValue).name, "03 : 20");
  EXPECT_EQ(Told(ControlId::CoverCaption).name, "Night Harbour");
  EXPECT_EQ(Told(ControlId::CoverThumb).description, "Night Harbour");
}

}  // namespace
}  // namespace sp
