// The panel drawn off-screen: placeholders, empty values, cut-off long values.
#include "ui/now_playing.h"

#include <gtest/gtest.h>

#include "platform/headless/headless.h"
#include "platform/text.h"
#include "station/current_song.h"

namespace sp {
namespace {

class NowPlayingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    text::CreateFont(FontId::UiSmall, "Segoe UI", 15);
    text::CreateFont(FontId::UiMedium, "Segoe UI", 16);
    text::CreateFont(FontId::UiLarge, "Segoe UI", 19);
    ui::CreateWindow({WindowId::Main, "m", 0, 0, 730, 195, {}, WindowId::None});
    ui::CreateCanvas({WindowId::Main, ControlId::NowPlayingPanel, 170, 26, 559, 101});
  }
  void TearDown() override { headless::Reset(); }

  void Redraw(std::any data = {}) {
    OnNowPlayingPanel(Event{EventClass::Control, 1, Num(ControlId::NowPlayingPanel),
                            event_type::RedrawRequest, std::move(data)});
  }
  const Bitmap& Picture() { return controls::Find(ControlId::NowPlayingPanel)->picture; }
  // Pixels that are not the black background inside a box.
  int Ink(int x, int y, int w, int h) {
    int n = 0;
    for (int yy = y; yy < y + h; ++yy)
      for (int xx = x; xx < x + w; ++xx) n += Picture().At(xx, yy) != OpaquePixel({0, 0, 0});
    return n;
  }
  int Exactly(Rgb colour) {
    int n = 0;
    for (Pixel p : Picture().pixels) n += p == OpaquePixel(colour);
    return n;
  }
};

TEST_F(NowPlayingTest, WithoutARecordTheHeadingLabelsAndPlaceholdersShow) {
  Redraw();
  EXPECT_GT(Exactly({97, 108, 135}), 0);   // heading
  EXPECT_GT(Exactly({124, 134, 160}), 0);  // labels and values
  EXPECT_GT(Ink(105, 25, 200, 30), 100);   // "Artistenname"
  EXPECT_GT(Ink(105, 60, 200, 20), 50);    // "Titelname"
  EXPECT_GT(Ink(105, 80, 200, 20), 50);    // "Albumname"
  EXPECT_EQ(Ink(0, 0, 14, 101), 0);        // nothing left of x 15
}

TEST_F(NowPlayingTest, EmptyTextsFromARecordAreDrawnEmptyNotAsPlaceholders) {
  SharedSong song;
  song.Replace(api_current_song{});
  Redraw(static_cast<const SharedSong*>(&song));
  EXPECT_GT(Ink(15, 25, 85, 70), 100);  // labels and colons stay
  EXPECT_EQ(Ink(105, 28, 454, 73), 0);  // no values (the heading ends above y 28)
}

TEST_F(NowPlayingTest, ALongTitleIsCutAtTheEdgeAndLeavesTheAlbumRowAlone) {
  api_current_song s;
  s.title = "Short";
  s.album = "Album of the year";
  s.artist.name = "Ωmega Süd 東京 🎧";
  SharedSong song;
  song.Replace(s);
  Redraw(static_cast<const SharedSong*>(&song));
  const Bitmap short_title = Picture();
  s.title = std::string(400, 'W');
  song.Replace(s);
  Redraw(static_cast<const SharedSong*>(&song));
  EXPECT_GT(Ink(540, 62, 19, 14), 20);  // reaches the right edge
  for (int y = 80; y < 101; ++y)
    for (int x = 0; x < 559; ++x) ASSERT_EQ(Picture().At(x, y), short_title.At(x, y));
}

TEST_F(NowPlayingTest, OtherEventsLeaveThePictureUnchanged) {
  Redraw();
  const Bitmap before = Picture();
  for (EventType t : {event_type::MouseEnter, event_type::MouseMove, event_type::LeftClick,
                      event_type::LeftButtonDown, event_type::MouseLeave})
    OnNowPlayingPanel(Event{EventClass::Control, 1, Num(ControlId::NowPlayingPanel), t, {}});
  EXPECT_EQ(Picture().pixels, before.pixels);
}

}  // namespace
}  // namespace sp
