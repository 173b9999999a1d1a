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
    bool focusable;
  } expected[] = {
      {ControlId::SubscribeButton, AccessRole::PushButton, "Subscribe", true},
      {ControlId::MinimizeButton, AccessRole::PushButton, "Minimize", true},
      {ControlId::CloseButton, AccessRole::PushButton, "Close", true},
      {ControlId::CoverThumb, AccessRole::PushButton, "Cover", true},
      {ControlId::CoverPicture, AccessRole::PushButton, "Close cover", true},
      {ControlId::DockToggle, AccessRole::ToggleButton, "Dock to the main window", true},
      {ControlId::TitleText, AccessRole::Label, "Tidemark Drum and Bass FM", false},
      {ControlId::TimeLeftLabel, AccessRole::Label, "Time Left :", false},
      // The countdown is read when the keyboard reaches it, under its caption.
      {ControlId::TimeLeftValue, AccessRole::Label, "", true},
      {ControlId::CoverCaption, AccessRole::Label, "", false},
      {ControlId::TitleGap, AccessRole::Decoration, "", false},
      {ControlId::BorderBottom, AccessRole::Decoration, "", false},
      {ControlId::BorderLeft, AccessRole::Decoration, "", false},
      {ControlId::BorderRight, AccessRole::Decoration, "", false},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(Num(e.id));
    EXPECT_EQ(Told(e.id).role, e.role);
    EXPECT_EQ(Told(e.id).name, e.name);
    EXPECT_EQ(Told(e.id).focusable, e.focusable);
  }
  EXPECT_EQ(Told(ControlId::TimeLeftValue).labelled_by, ControlId::TimeLeftLabel);
  EXPECT_TRUE(Told(ControlId::PlayerView).focusable);
  // The cover window has no title; assistive technology calls it by a name.
  EXPECT_EQ(headless::TheWorld().windows.at(Num(WindowId::Cover)).desc.title, "");
  EXPECT_EQ(headless::TheWorld().windows.at(Num(WindowId::Cover)).access_name, "Cover");
  EXPECT_FALSE(Told(ControlId::DockToggle).checked);
  auto& world = headless::TheWorld();

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
  EXPECT_TRUE(Told(ControlId::NowPlayingPanel).focusable);
  EXPECT_EQ(Told(ControlId::NowPlayingPanel).name,
            "now playing...\nArtist : Artistenname\nTitle : Titelname\nAlbum : Albumname");
  EXPECT_TRUE(world.announced.empty());  // the placeholders are no news

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
  // Once, without the captions, and not the countdown.
  EXPECT_EQ(world.announced,
            std::vector<std::string>{"Kelp Circuit, Low Tide Roller, Night Harbour"});
  Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::NowPlayingPanel),
       event_type::RedrawRequest, static_cast<const SharedSong*>(&song));
  DispatchPosted();
  EXPECT_EQ(world.announced.size(), 1u);  // the same song again is no news
  EXPECT_EQ(Told(ControlId::TimeLeftValue).name, "03 : 20");
  EXPECT_EQ(Told(ControlId::CoverCaption).name, "Night Harbour");
  EXPECT_EQ(Told(ControlId::CoverThumb).description, "Night Harbour");
}

}  // namespace
}  // namespace sp
