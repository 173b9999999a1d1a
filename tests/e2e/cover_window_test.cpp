// The cover window as a person meets it under a window manager: opened from the
// thumbnail, docked beside the main window, both windows dragged by their top strip,
// closed by a click on the picture, minimised with the main window, and remembered
// across runs. No station is needed: the pictures are the built-in logo.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>

#include "covers/builtin_images.h"
#include "platform/image_store.h"
#include "tests/e2e/harness.h"

namespace e2e {
namespace {

using nlohmann::json;

constexpr Rgb kStrip{76, 74, 72};

struct Pos {
  int x = 0, y = 0;
  friend bool operator==(const Pos&, const Pos&) = default;
};
std::ostream& operator<<(std::ostream& os, const Pos& p) {
  return os << "(" << p.x << ", " << p.y << ")";
}

class CoverWindowE2ETest : public ::testing::Test {
 protected:
  void SetUp() override { display.StartWindowManager(); }

  std::string Folder() { return home.path() + "/.config/lumo/Tidemark Drum and Bass FM/"; }
  void WritePreferences(int x, int y, int cover_x, int cover_y, int open, int dock) {
    WriteFile(Folder() + "preferences.json", json{{"WindowX", x},
                                                  {"WindowY", y},
                                                  {"cWinX", cover_x},
                                                  {"cWinY", cover_y},
                                                  {"cWinOpen", open},
                                                  {"cWindDock", dock},
                                                  {"Preferences", Folder()}}
                                                 .dump());
  }
  json SavedPreferences() {
    return json::parse(ReadFile(Folder() + "preferences.json"), nullptr, false);
  }

  // Starts the program and finds its main window.
  void Start() {
    program.emplace(display, home);
    const auto window = display.FindWindow(kMainTitle);
    ASSERT_TRUE(window) << program->Log();
    main = *window;
    // The thumbnail is drawn once the loop runs: its corner shows the strip colour.
    const Pos m = At(main);
    display.WaitPixel(m.x + 3, m.y + 27, kStrip);
  }
  // The cover window, once it has been shown.
  XWindowId Cover() {
    if (!cover) {
      cover = display.FindOwnedWindow(main).value_or(0);
      EXPECT_NE(cover, 0u) << "no cover window";
    }
    return cover;
  }

  Pos At(XWindowId window) {
    const Geometry g = display.WindowGeometry(window);
    return {g.x, g.y};
  }
  // Waits until `pred` holds, looking every 20 ms, at most `timeout`.
  bool Eventually(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
    }
    return true;
  }
  bool Shown(XWindowId window) {
    return Eventually([&] { return display.Viewable(window); });
  }
  bool Hidden(XWindowId window) {
    return Eventually([&] { return !display.Viewable(window); });
  }
  // Waits until the window stands at `p`; says where it stands otherwise.
  ::testing::AssertionResult StandsAt(XWindowId window, Pos p) {
    if (Eventually([&] { return At(window) == p; })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "stands at " << At(window) << ", not " << p;
  }
  // Waits for the cover window to stand docked beside the main window.
  ::testing::AssertionResult Docked() {
    if (Eventually([&] {
          const Pos m = At(main), c = At(Cover());
          return c.x == m.x + 731 && c.y == m.y - 127;
        }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "main at " << At(main) << ", cover at " << At(Cover());
  }
  // Nothing happens for a while (the program had time to act on what came before).
  void Settle() { display.WaitPixel(0, 0, {1, 2, 3}, 300ms); }

  void ClickAt(Pos p) {
    display.MovePointer(p.x, p.y);
    display.ClickLeft();
  }
  // Drags with the left button from `from` in `steps` steps of (dx, dy), as a hand
  // would; `during` looks at the windows after each step, the button still held.
  void Drag(Pos from, int dx, int dy, int steps, const std::function<void(int)>& during = {}) {
    display.MovePointer(from.x, from.y);
    display.PressLeft();
    for (int i = 1; i <= steps; ++i) {
      display.WaitPixel(0, 0, {1, 2, 3}, 30ms);
      display.MovePointer(from.x + i * dx, from.y + i * dy);
      if (during) during(i);
    }
    display.ReleaseLeft();
  }
  // Drags the window by its strip and checks, at every step, that it went with the
  // pointer and that the cover window keeps its docked place meanwhile.
  void DragDocked(XWindowId window, Pos grip, int dx, int dy, int steps) {
    const Pos start = At(window);
    Drag({start.x + grip.x, start.y + grip.y}, dx, dy, steps, [&](int i) {
      EXPECT_TRUE(StandsAt(window, {start.x + i * dx, start.y + i * dy})) << "step " << i;
      EXPECT_TRUE(Docked()) << "step " << i;
    });
  }

  Geometry Thumb() {
    const Pos m = At(main);
    return {m.x + 2, m.y + 26, 168, 168};
  }
  Pos ThumbCentre() {
    const Pos m = At(main);
    return {m.x + 86, m.y + 110};
  }
  Pos PictureCentre() {
    const Pos c = At(Cover());
    return {c.x + 151, c.y + 171};
  }
  Pos ToggleCentre() {
    const Pos c = At(Cover());
    return {c.x + 9, c.y + 9};
  }
  // The brightest red of the dock toggle's 16 x 16 pixels, and whether any pixel is
  // other than the strip colour.
  std::pair<int, bool> ToggleFace() {
    const Pos c = At(Cover());
    int brightest = 0;
    bool drawn = false;
    for (const Rgb& p : display.Pixels({c.x + 1, c.y + 1, 16, 16})) {
      brightest = std::max(brightest, p.r);
      drawn = drawn || !(p == kStrip);
    }
    return {brightest, drawn};
  }
  // Closes the program and checks that the file holds the windows as they were.
  void CloseAndExpectSavedAsOnScreen(int open, int dock) {
    const Pos m = At(main), c = At(Cover());
    display.MovePointer(m.x + 706, m.y + 12);
    display.PressLeft();
    EXPECT_EQ(program->process().WaitExit(10s), std::optional<int>(0));
    display.ReleaseLeft();
    const json saved = SavedPreferences();
    ASSERT_TRUE(saved.is_object());
    EXPECT_EQ(saved.value("WindowX", -1), m.x);
    EXPECT_EQ(saved.value("WindowY", -1), m.y);
    EXPECT_EQ(saved.value("cWinX", -1), c.x);
    EXPECT_EQ(saved.value("cWinY", -1), c.y);
    EXPECT_EQ(saved.value("cWinOpen", -1), open);
    EXPECT_EQ(saved.value("cWindDock", -1), dock);
  }

  Xvfb display;
  TempDir home;
  std::optional<Program> program;
  XWindowId main = 0;
  XWindowId cover = 0;
};

TEST_F(CoverWindowE2ETest, DockedItOpensBesideTheMainWindowFollowsEveryDragAndComesBackDocked) {
  WritePreferences(100, 300, 5, 5, 0, 1);
  ASSERT_NO_FATAL_FAILURE(Start());

  // Closed: hovering the thumbnail zooms into the cover's middle; leaving undoes it.
  display.MovePointer(50, 900);
  Settle();
  const std::vector<Rgb> thumb = display.Pixels(Thumb());
  display.MovePointer(ThumbCentre().x, ThumbCentre().y);
  EXPECT_TRUE(Eventually([&] { return display.Pixels(Thumb()) != thumb; }));
  display.MovePointer(50, 900);
  EXPECT_TRUE(Eventually([&] { return display.Pixels(Thumb()) == thumb; }));

  // A click opens it at +730 / -127, above the main window, without a task-bar,
  // pager or switcher entry.
  ClickAt(ThumbCentre());
  ASSERT_TRUE(Shown(Cover()));
  EXPECT_TRUE(StandsAt(Cover(), {830, 173}));
  EXPECT_EQ(display.WindowGeometry(Cover()).width, 302);
  EXPECT_EQ(display.WindowGeometry(Cover()).height, 322);
  EXPECT_TRUE(display.HasWmState(Cover(), "_NET_WM_STATE_SKIP_TASKBAR"));
  EXPECT_TRUE(display.HasWmState(Cover(), "_NET_WM_STATE_SKIP_PAGER"));
  ClickAt({At(main).x + 400, At(main).y + 10});  // activating the main window
  Settle();
  EXPECT_TRUE(display.StackedAbove(Cover(), main));
  EXPECT_TRUE(StandsAt(Cover(), {830, 173}));  // a click is no move

  // Open: hovering changes nothing.
  display.MovePointer(ThumbCentre().x, ThumbCentre().y);
  Settle();
  EXPECT_EQ(display.Pixels(Thumb()), thumb);

  // The first drag brings it to +731, and it follows at every step; then the other way.
  DragDocked(main, {300, 10}, 12, 5, 8);
  DragDocked(Cover(), {290, 10}, -9, 7, 8);
  EXPECT_TRUE(StandsAt(main, {100 + 96 - 72, 300 + 40 + 56}));

  // A press below the strip starts no move in either window.
  const Pos main_before = At(main), cover_before = At(Cover());
  Drag({main_before.x + 300, main_before.y + 21}, 10, 10, 4);
  Drag({cover_before.x, cover_before.y + 21}, 10, 10, 4);
  Settle();
  EXPECT_EQ(At(main), main_before);
  EXPECT_EQ(At(Cover()), cover_before);

  // A click on the picture closes it; closed, it stays behind; the thumbnail reopens
  // it beside the main window's new place.
  ClickAt(PictureCentre());
  ASSERT_TRUE(Hidden(Cover()));
  Drag({At(main).x + 300, At(main).y + 10}, -10, 10, 5);
  EXPECT_TRUE(StandsAt(main, {main_before.x - 50, main_before.y + 50}));
  ClickAt(ThumbCentre());
  ASSERT_TRUE(Shown(Cover()));
  EXPECT_TRUE(StandsAt(Cover(), {At(main).x + 730, At(main).y - 127}));

  // Minimising the main window hides it; restoring shows it again.
  ClickAt({At(main).x + 652, At(main).y + 12});
  EXPECT_TRUE(Hidden(main));
  EXPECT_TRUE(Hidden(Cover()));
  display.Activate(main);
  EXPECT_TRUE(Shown(main));
  EXPECT_TRUE(Shown(Cover()));

  // Everything on screen is what the file holds after a close; the next start shows
  // it docked again (at +731 whatever cWinX said).
  const Pos main_saved = At(main);
  CloseAndExpectSavedAsOnScreen(1, 1);
  cover = 0;
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(Shown(Cover()));
  EXPECT_TRUE(StandsAt(main, main_saved));
  EXPECT_TRUE(StandsAt(Cover(), {main_saved.x + 731, main_saved.y - 127}));
}

TEST_F(CoverWindowE2ETest, UndockedItStaysWhereItIsPutAndTheToggleDocksIt) {
  WritePreferences(100, 300, 900, 500, 1, 0);
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(Shown(Cover()));
  EXPECT_TRUE(StandsAt(Cover(), {900, 500}));

  // The large picture shows the current cover: the built-in logo at 300 pixels.
  sp::LoadBuiltInImages();
  const auto logo = sp::images::Get(sp::ImageId::DefaultCoverLarge);
  ASSERT_TRUE(logo);
  const std::vector<Rgb> picture = display.Pixels({901, 521, 300, 300});
  ASSERT_EQ(picture.size(), 90000u);
  int opaque = 0, same = 0;
  for (int i = 0; i < 90000; ++i) {
    const sp::Pixel p = logo->bitmap.pixels[std::size_t(i)];
    if (sp::AlphaOf(p) != 255) continue;
    const sp::Rgb c = sp::RgbOf(p);
    ++opaque;
    same += picture[std::size_t(i)] == Rgb{c.r, c.g, c.b};
  }
  EXPECT_GT(opaque, 40000);
  EXPECT_EQ(same, opaque);

  // The dock toggle: half strength at rest, full under the pointer, blank pressed.
  display.MovePointer(50, 900);
  EXPECT_TRUE(Eventually([&] {
    const auto [brightest, drawn] = ToggleFace();
    return drawn && brightest >= 160 && brightest <= 170;
  })) << "brightest "
      << ToggleFace().first;
  display.MovePointer(ToggleCentre().x, ToggleCentre().y);
  EXPECT_TRUE(Eventually([&] { return ToggleFace().first == 255; }));
  display.PressLeft();
  EXPECT_TRUE(Eventually([&] { return !ToggleFace().second; }));
  display.ReleaseLeft();
  // Docked now, and snapped beside the main window at once.
  EXPECT_TRUE(StandsAt(Cover(), {831, 173}));
  EXPECT_TRUE(StandsAt(main, {100, 300}));

  // Undocking moves nothing, and the windows move on their own again.
  ClickAt(ToggleCentre());
  Settle();
  EXPECT_EQ(At(Cover()), (Pos{831, 173}));
  Drag({400, 310}, 10, 10, 4);
  EXPECT_TRUE(StandsAt(main, {140, 340}));
  Drag({831 + 290, 183}, 20, 30, 4);
  EXPECT_TRUE(StandsAt(Cover(), {911, 293}));
  Settle();
  EXPECT_EQ(At(main), (Pos{140, 340}));

  // Closed and opened again, it comes back where it was closed.
  ClickAt(PictureCentre());
  ASSERT_TRUE(Hidden(Cover()));
  ClickAt(ThumbCentre());
  ASSERT_TRUE(Shown(Cover()));
  EXPECT_TRUE(StandsAt(Cover(), {911, 293}));

  CloseAndExpectSavedAsOnScreen(1, 0);
}

// A stored place no monitor shows: the main window opens in reach, and the docked cover
// window beside it, not beside the stored place.
TEST_F(CoverWindowE2ETest, DockedItStandsBesideAMainWindowRescuedFromOffScreen) {
  for (const int open : {0, 1}) {
    SCOPED_TRACE(open);
    WritePreferences(5000, 3000, 5, 5, open, 1);
    cover = 0;
    ASSERT_NO_FATAL_FAILURE(Start());
    const Pos m = At(main);
    ASSERT_LT(m.x, 1000);
    if (open == 1) {
      ASSERT_TRUE(Shown(Cover()));
      EXPECT_TRUE(StandsAt(Cover(), {m.x + 731, m.y - 127}));
    }
    ClickAt(ThumbCentre());
    ASSERT_TRUE(Shown(Cover()));
    EXPECT_TRUE(StandsAt(Cover(), {m.x + 730, m.y - 127}));
    EXPECT_TRUE(StandsAt(main, m));
    display.RequestClose(main);
    EXPECT_EQ(program->process().WaitExit(10s), std::optional<int>(0));
  }
}

// Without a window manager the windows are placed and dragged by the program alone.
TEST(CoverWindowWithoutManagerE2ETest, DockedWindowsStillDragEachOther) {
  Xvfb display;
  TempDir home;
  const std::string folder = home.path() + "/.config/lumo/Tidemark Drum and Bass FM/";
  WriteFile(folder + "preferences.json",
            json{{"WindowX", 100}, {"WindowY", 300}, {"cWinOpen", 1}, {"cWindDock", 1}}.dump());
  Program program(display, home);
  const auto main = display.FindWindow(kMainTitle);
  ASSERT_TRUE(main) << program.Log();
  const auto cover = display.FindOwnedWindow(*main);
  ASSERT_TRUE(cover);
  const auto at = [&](XWindowId w) { return display.WindowGeometry(w); };
  const auto docked_at = [&](int x, int y) {
    for (int i = 0; i < 250; ++i) {
      if (at(*main).x == x && at(*main).y == y && at(*cover).x == x + 731 &&
          at(*cover).y == y - 127)
        return true;
      display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
    }
    return false;
  };
  EXPECT_TRUE(docked_at(100, 300));
  display.MovePointer(400, 310);
  display.PressLeft();
  for (int i = 1; i <= 5; ++i) display.MovePointer(400 + 10 * i, 310 + 4 * i);
  display.ReleaseLeft();
  EXPECT_TRUE(docked_at(150, 320));
  display.MovePointer(150 + 731 + 290, 320 - 127 + 10);
  display.PressLeft();
  for (int i = 1; i <= 5; ++i) display.MovePointer(1171 - 6 * i, 203 + 8 * i);
  display.ReleaseLeft();
  EXPECT_TRUE(docked_at(120, 360));
  // Minimising has nowhere to go without a manager; nothing breaks.
  display.MovePointer(120 + 652, 360 + 12);
  display.ClickLeft();
  EXPECT_TRUE(docked_at(120, 360));
  display.RequestClose(*main);
  EXPECT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
}

// A press that follows another within the same millisecond is a press of its own,
// however the toolkit recycles its events.
TEST(CoverWindowWithoutManagerE2ETest, EachOfPressesInQuickSuccessionCounts) {
  Xvfb display;
  TempDir home;
  const std::string folder = home.path() + "/.config/lumo/Tidemark Drum and Bass FM/";
  WriteFile(folder + "preferences.json", json{{"WindowX", 100}, {"WindowY", 300}}.dump());
  Program program(display, home);
  const auto main = display.FindWindow(kMainTitle);
  ASSERT_TRUE(main) << program.Log();
  const auto stands_at = [&](int x, int y) {
    for (int i = 0; i < 250; ++i) {
      const Geometry g = display.WindowGeometry(*main);
      if (g.x == x && g.y == y) return true;
      display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
    }
    return false;
  };
  ASSERT_TRUE(stands_at(100, 300));
  for (int round = 1; round <= 6; ++round) {
    const int x = 100 + 10 * (round - 1), y = 300;
    // A click just below the strip, then at once a drag by the strip.
    display.MovePointer(x + 300, y + 21);
    display.ClickLeft();
    display.MovePointer(x + 300, y + 10);
    display.PressLeft();
    display.MovePointer(x + 305, y + 10);
    display.MovePointer(x + 310, y + 10);
    display.ReleaseLeft();
    ASSERT_TRUE(stands_at(x + 10, y)) << "round " << round;
  }
  display.RequestClose(*main);
  EXPECT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
}

}  // namespace
}  // namespace e2e
