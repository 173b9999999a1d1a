// The cover window, its dock toggle and picture, and the window hook, driven
// through the headless backend: the real OpenMainWindow, input through sp::mouse,
// moves reported to the hook as a window system would.
#include "ui/cover_window.h"

#include <gtest/gtest.h>

#include "app/app_data.h"
#include "covers/cover_slots.h"
#include "platform/headless/headless.h"
#include "platform/image_store.h"
#include "platform/mouse.h"
#include "quiet_station.h"
#include "station/song_watcher.h"
#include "ui/main_window.h"
#include "ui/title_buttons.h"

namespace sp {
namespace {

constexpr Rgb kBackground{76, 74, 72};
constexpr Pixel kWhite = OpaquePixel({255, 255, 255});

// A 16 x 16 icon, transparent but for one opaque white pixel at (at, at), so a
// face tells which icon it shows and how strongly.
void InstallIcon(ImageId n, int at) {
  Image icon;
  icon.depth = 32;
  icon.bitmap = Bitmap(16, 16, 0);
  icon.bitmap.At(at, at) = kWhite;
  images::Install(n, std::move(icon));
}

class CoverWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    SetSongWatcherDepsProvider(test::QuietStation);
    CreateButtonStates();
    InstallIcon(ImageId::DockedIcon, 2);
    InstallIcon(ImageId::UndockedIcon, 13);
    Image large;
    large.bitmap = Bitmap(300, 300, OpaquePixel({9, 8, 7}));
    LargeCover = images::Install(kAllocateImage, std::move(large));
    AppData.Clear();
    AppData.WindowX = 100;
    AppData.WindowY = 300;
  }
  void Open() {
    OpenMainWindow();
    DispatchPosted();
  }
  void TearDown() override {
    StopSongWatcher();
    headless::Reset();
    AppData.Clear();
    LargeCover = ImageId::DefaultCoverLarge;
  }

  static headless::WindowRecord& Window(WindowId id) {
    return headless::TheWorld().windows.at(Num(id));
  }
  static Point Cover() { return Window(WindowId::Cover).position; }
  static Point Main() { return Window(WindowId::Main).position; }
  static void Click(ControlId id) {
    mouse::LeftPressed(id);
    mouse::LeftReleased(id, true);
  }
  static const Bitmap& Face() { return controls::Find(ControlId::DockToggle)->picture; }
  // Every pixel the background, but (at, at) in `icon_pixel`.
  static bool FaceShows(int at, Pixel icon_pixel) {
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if (Face().At(x, y) != (x == at && y == at ? icon_pixel : OpaquePixel(kBackground)))
          return false;
    return true;
  }
  static bool FaceIsHalfStrength(int at) {
    const Rgb c = RgbOf(Face().At(at, at));  // 76 + (255 - 76) * 128 / 255
    return FaceShows(at, Face().At(at, at)) && c.r >= 164 && c.r <= 167 && c.b >= 162 && c.b <= 165;
  }
};

TEST_F(CoverWindowTest, IsBuiltHiddenAndOwnedWithItsThreeControlsAndShowsTheLargeCover) {
  Open();
  const auto& cover = Window(WindowId::Cover);
  EXPECT_FALSE(cover.visible);
  EXPECT_EQ(cover.position, (Point{0, 0}));
  EXPECT_EQ(cover.desc.width, 302);
  EXPECT_EQ(cover.desc.height, 322);
  EXPECT_EQ(cover.desc.owner, WindowId::Main);
  EXPECT_EQ(cover.desc.background, kBackground);
  EXPECT_EQ(cover.desc.title, "");
  const auto& specs = headless::TheWorld().control_specs;
  const auto geometry = [&](ControlId id) {
    const auto& s = specs.at(Num(id));
    return std::vector<std::int64_t>{Num(s.window), s.x, s.y, s.width, s.height};
  };
  EXPECT_EQ(geometry(ControlId::DockToggle), (std::vector<std::int64_t>{2, 1, 1, 16, 16}));
  EXPECT_EQ(geometry(ControlId::CoverCaption), (std::vector<std::int64_t>{2, 17, 1, 265, 19}));
  EXPECT_EQ(geometry(ControlId::CoverPicture), (std::vector<std::int64_t>{2, 1, 21, 300, 300}));
  const TextStyle& caption = controls::Find(ControlId::CoverCaption)->style;
  EXPECT_EQ(caption.align, TextAlign::Centre);
  EXPECT_EQ(caption.foreground, (Rgb{234, 234, 234}));
  EXPECT_EQ(caption.background, kBackground);
  EXPECT_TRUE(FaceIsHalfStrength(13));  // undocked icon at 128

  // The start-up redraw of the thumbnail put the large cover on the picture.
  EXPECT_EQ(controls::Find(ControlId::CoverPicture)->picture.At(150, 150), OpaquePixel({9, 8, 7}));
  // Also when the thumbnail cannot be drawn on.
  controls::Remove(ControlId::CoverThumb);
  Image other;
  other.bitmap = Bitmap(300, 300, OpaquePixel({1, 2, 3}));
  LargeCover = images::Install(kAllocateImage, std::move(other));
  Raise(Event{EventClass::Control, 1, Num(ControlId::CoverThumb), event_type::RedrawRequest, {}});
  EXPECT_EQ(controls::Find(ControlId::CoverPicture)->picture.At(0, 0), OpaquePixel({1, 2, 3}));
}

TEST_F(CoverWindowTest, DockToggleFacesFlipAndSnap) {
  AppData.cWinOpen = 1;  // open, undocked, away from the main window
  AppData.cWinX = 500;
  AppData.cWinY = 40;
  Open();
  ASSERT_TRUE(Window(WindowId::Cover).visible);
  ASSERT_EQ(Cover(), (Point{500, 40}));

  mouse::PointerMoved(ControlId::DockToggle);
  EXPECT_TRUE(FaceShows(13, kWhite));
  mouse::PointerMoved(ControlId::DockToggle);
  EXPECT_TRUE(FaceShows(13, kWhite));
  mouse::LeftPressed(ControlId::DockToggle);
  EXPECT_TRUE(FaceShows(-1, 0));  // blank while pressed
  mouse::LeftReleased(ControlId::DockToggle, true);
  // Docked now, and snapped beside the main window at once.
  EXPECT_EQ(AppData.cWindDock, 1);
  EXPECT_TRUE(FaceShows(2, kWhite));
  EXPECT_EQ(Cover(), (Point{831, 173}));
  EXPECT_EQ(Main(), (Point{100, 300}));
  EXPECT_EQ(AppData.cWinX, 831);
  EXPECT_EQ(AppData.cWinY, 173);
  mouse::PointerLeft(ControlId::DockToggle);
  EXPECT_TRUE(FaceIsHalfStrength(2));

  // Undocking moves nothing, and the windows move on their own again.
  Click(ControlId::DockToggle);
  EXPECT_EQ(AppData.cWindDock, 0);
  EXPECT_TRUE(FaceShows(13, kWhite));
  EXPECT_EQ(Cover(), (Point{831, 173}));
  ui::MoveWindow(WindowId::Main, 0, 0);
  EXPECT_EQ(Cover(), (Point{831, 173}));

  // An event that cannot be drawn is ignored entirely: no flip.
  controls::Remove(ControlId::DockToggle);
  Raise(Event{EventClass::Control, 2, Num(ControlId::DockToggle), event_type::LeftClick, {}});
  EXPECT_EQ(AppData.cWindDock, 0);
}

TEST_F(CoverWindowTest, ThumbnailOpensDockedAtSevenThirtyAndTheFirstMoveMakesItSevenThirtyOne) {
  AppData.cWindDock = 1;
  Open();
  Click(ControlId::CoverThumb);
  EXPECT_TRUE(Window(WindowId::Cover).visible);
  EXPECT_EQ(AppData.cWinOpen, 1);
  EXPECT_EQ(Cover(), (Point{830, 173}));
  EXPECT_EQ(Main(), (Point{100, 300}));  // the report of that move led nothing
  EXPECT_EQ(AppData.cWinX, 830);

  ui::MoveWindow(WindowId::Main, 120, 310);  // the main window leads
  EXPECT_EQ(Cover(), (Point{851, 183}));
  ui::MoveWindow(WindowId::Cover, 700, 200);  // the cover window leads
  EXPECT_EQ(Main(), (Point{-31, 327}));
  EXPECT_EQ(AppData.WindowX, -31);
  EXPECT_EQ(AppData.WindowY, 327);
  EXPECT_EQ(AppData.cWinX, 700);

  // A click while open places it again and keeps it open.
  Click(ControlId::CoverThumb);
  EXPECT_EQ(Cover(), (Point{699, 200}));
  EXPECT_EQ(Main(), (Point{-31, 327}));
  EXPECT_TRUE(Window(WindowId::Cover).visible);

  // The picture closes it; closed, it no longer follows; it reopens beside the
  // main window's new place.
  Click(ControlId::CoverPicture);
  EXPECT_FALSE(Window(WindowId::Cover).visible);
  EXPECT_EQ(AppData.cWinOpen, 0);
  ui::MoveWindow(WindowId::Main, 10, 400);
  EXPECT_EQ(Cover(), (Point{699, 200}));
  Click(ControlId::CoverThumb);
  EXPECT_EQ(Cover(), (Point{740, 273}));
}

// A main window rescued from a place no monitor shows keeps its stored place in the
// record; the docked cover window stands beside the window the user sees, and both
// in the work area.
TEST_F(CoverWindowTest, DockedItFollowsARescuedMainWindowNotItsStoredPlace) {
  for (const std::int64_t open : {0, 1}) {
    headless::Reset();
    SetUp();
    headless::TheWorld().screens = ui::ScreenLayout{{{0, 0, 1920, 1080}}, {0, 30, 1920, 1050}};
    AppData.WindowX = 5000;
    AppData.WindowY = 3000;
    AppData.cWindDock = 1;
    AppData.cWinOpen = open;
    Open();
    ASSERT_EQ(Main(), (Point{0, 157}));
    if (open == 1) {
      EXPECT_EQ(Cover(), (Point{731, 30}));
    }
    Click(ControlId::CoverThumb);
    EXPECT_EQ(Cover(), (Point{730, 30})) << open;
    EXPECT_EQ(AppData.WindowX, 5000);
    StopSongWatcher();
  }
}

TEST_F(CoverWindowTest, UndockedItReopensWhereItWasClosedAndItsDragsAreRecorded) {
  Open();
  Click(ControlId::CoverThumb);
  EXPECT_EQ(Cover(), (Point{0, 0}));
  ui::MoveWindow(WindowId::Cover, 250, 60);  // dragged somewhere
  EXPECT_EQ(Main(), (Point{100, 300}));
  Click(ControlId::CoverPicture);
  EXPECT_EQ(AppData.cWinX, 250);
  EXPECT_EQ(AppData.cWinY, 60);
  ui::MoveWindow(WindowId::Main, 0, 0);
  Click(ControlId::CoverThumb);
  EXPECT_EQ(Cover(), (Point{250, 60}));

  // Only a press in the top 21 rows starts a move, and it records the place.
  auto& world = headless::TheWorld();
  AppData.cWinX = 0;
  for (const auto& [pointer, moves] :
       {std::pair{Point{302, 20}, true}, {Point{150, 21}, false}, {Point{303, 3}, false}}) {
    world.move_starts.clear();
    world.pointer = pointer;
    ui::SendWindowMessage(WindowId::Cover, ui::WindowMessage::LeftButtonDown);
    EXPECT_EQ(world.move_starts.size(), moves ? 1u : 0u) << pointer.x << "," << pointer.y;
  }
  EXPECT_EQ(AppData.cWinX, 250);
}

TEST_F(CoverWindowTest, StartsOpenBesideTheMainWindowWhenDockedWhateverTheFileSaid) {
  struct Case {
    std::int64_t open, dock;
    bool visible;
    Point at;
  };
  for (const Case& c :
       {Case{1, 1, true, {831, 173}}, Case{1, 0, true, {-5, 7}}, Case{0, 1, false, {0, 0}}}) {
    headless::Reset();
    SetUp();
    AppData.cWinOpen = c.open;
    AppData.cWindDock = c.dock;
    AppData.cWinX = -5;
    AppData.cWinY = 7;
    Open();
    EXPECT_EQ(Window(WindowId::Cover).visible, c.visible) << c.open << c.dock;
    EXPECT_EQ(Cover(), c.at) << c.open << c.dock;
    StopSongWatcher();
  }
}

}  // namespace
}  // namespace sp
