// The program's side of the desktop's remote control, driven through the headless
// backend: what it publishes for a song and the art files it keeps. (Commands and the
// page's reports are tested end to end, where a script and a sound can be checked.)
#include "app/remote_session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/app_data.h"
#include "app/remote_track.h"
#include "covers/cover_slots.h"
#include "platform/events.h"
#include "platform/headless/headless.h"
#include "platform/image_store.h"
#include "platform/pictures.h"
#include "station/current_song.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

ImageId Picture(std::uint8_t tag) {
  Image image{32, Bitmap(300, 300, OpaquePixel({tag, 0, 0}))};
  return images::Install(kAllocateImage, std::move(image));
}

class RemoteSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    char tmpl[] = "/tmp/sp-remote-XXXXXX";
    root_ = ::mkdtemp(tmpl);
    AppData.Clear();
    AppData.Preferences = root_ + "/app/";
    fs::create_directories(AppData.Preferences);
    ui::CreateWindow({WindowId::Main, "t", 0, 0, 730, 195, {}, WindowId::None});
    ui::CreateWebView({WindowId::Main, ControlId::PlayerView, 170, 154, 558, 40});
    LargeCover = Picture(1);
    StartRemoteSession();
  }
  void TearDown() override {
    headless::Reset();
    CurrentSong.Replace({});
    AppData.Clear();
    fs::remove_all(root_);
  }

  static void ShowSong(const char* title) {
    api_current_song song;
    song.artist.name = "Kelp Circuit";
    song.title = title;
    song.album = "Night Harbour";
    CurrentSong.Replace(song);
    Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::NowPlayingPanel),
         event_type::RedrawRequest, static_cast<const SharedSong*>(&CurrentSong));
    DispatchPosted();
  }
  static void RedrawCover() {
    Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::CoverThumb),
         event_type::RedrawRequest);
    DispatchPosted();
  }
  std::vector<std::string> ArtFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(AppData.Preferences + "mpris"))
      names.push_back(e.path().filename().string());
    return names;
  }
  static const std::vector<remote::Track>& Published() {
    return headless::TheWorld().remote_tracks;
  }

  std::string root_;
};

TEST_F(RemoteSessionTest, EachSongIsPublishedOnceAndItsArtWrittenOnlyWhenThePictureChanges) {
  // Leftovers of an earlier run go with the first picture; pictures the program did not
  // name stay.
  fs::create_directories(AppData.Preferences + "mpris");
  std::ofstream(AppData.Preferences + "mpris/cover-1-1.png") << "old";
  const std::vector<std::string> own = {"holiday.png", "cover-1.png", "cover-x-1.png",
                                        "cover-1-1.png.png"};
  for (const std::string& name : own)
    std::ofstream(AppData.Preferences + "mpris/" + name) << "mine";

  RedrawCover();  // start-up: no song yet, nothing to show
  Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::NowPlayingPanel),
       event_type::RedrawRequest);
  DispatchPosted();
  EXPECT_TRUE(Published().empty());

  ShowSong("Low Tide Roller");
  ASSERT_EQ(Published().size(), 1u);
  const remote::Track first = Published().back();
  EXPECT_EQ(first.serial, 1u);
  EXPECT_EQ(first.title, "Low Tide Roller");
  for (const std::string& name : own) {
    EXPECT_TRUE(fs::exists(AppData.Preferences + "mpris/" + name)) << name;
    fs::remove(AppData.Preferences + "mpris/" + name);
  }
  ASSERT_EQ(ArtFiles().size(), 1u);
  const std::string first_file = AppData.Preferences + "mpris/" + ArtFiles()[0];
  EXPECT_EQ(first.art_url, FileUrl(first_file));
  const auto decoded = pictures::DecodeFile(first_file, 32);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width(), 300);
  EXPECT_EQ(RgbOf(decoded->bitmap.At(10, 10)).r, 1);

  // The same song posted twice, and the pointer moving over the thumbnail: nothing new.
  Post(EventClass::Control, Num(WindowId::Main), Num(ControlId::NowPlayingPanel),
       event_type::RedrawRequest, static_cast<const SharedSong*>(&CurrentSong));
  for (int i = 0; i < 5; ++i) RedrawCover();
  EXPECT_EQ(Published().size(), 1u);
  EXPECT_EQ(ArtFiles(), std::vector<std::string>{fs::path(first_file).filename().string()});

  // The next song keeps the picture on show until its own cover arrives.
  ShowSong("Shallows");
  ASSERT_EQ(Published().size(), 2u);
  EXPECT_EQ(Published().back().serial, 2u);
  EXPECT_EQ(Published().back().art_url, first.art_url);
  LargeCover = Picture(2);
  RedrawCover();
  ASSERT_EQ(Published().size(), 3u);
  const remote::Track second = Published().back();
  EXPECT_EQ(second.serial, 2u);
  EXPECT_NE(second.art_url, first.art_url);
  ASSERT_EQ(ArtFiles().size(), 1u);  // the previous picture is gone
  EXPECT_EQ(second.art_url, FileUrl(AppData.Preferences + "mpris/" + ArtFiles()[0]));
}

TEST_F(RemoteSessionTest, NoArtIsWrittenWhileTheDesktopCannotSeeThePlayer) {
  headless::TheWorld().remote_ready = false;
  ShowSong("Low Tide Roller");
  ASSERT_EQ(Published().size(), 1u);
  EXPECT_TRUE(Published().back().art_url.empty());
  EXPECT_FALSE(fs::exists(AppData.Preferences + "mpris"));

  // Once it can, the cover on show follows.
  headless::TheWorld().remote_ready = true;
  headless::TheWorld().remote_setup->on_ready();
  ASSERT_EQ(Published().size(), 2u);
  EXPECT_FALSE(Published().back().art_url.empty());
}

TEST_F(RemoteSessionTest, ALinkInPlaceOfTheArtFolderLeadsNowhere) {
  const std::string elsewhere = root_ + "/elsewhere";
  fs::create_directories(elsewhere);
  fs::create_directory_symlink(elsewhere, AppData.Preferences + "mpris");
  ShowSong("Low Tide Roller");
  ASSERT_EQ(Published().size(), 1u);
  EXPECT_TRUE(Published().back().art_url.empty());
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

}  // namespace
}  // namespace sp
