// The program on a screen scaled to 200 % (GDK_SCALE=2), seen in the screen's own
// pixels: window sizes, controls that tile the window without seams, the docked
// cover window's offset, the drag strip and the places written to preferences.json.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

using nlohmann::json;

constexpr Rgb kStrip{76, 74, 72};
constexpr Rgb kWindowBackground{33, 33, 33};
constexpr Rgb kBlack{0, 0, 0};
const ProgramOptions kScale2{false, {{"GDK_SCALE", "2"}}, ""};

// Pixels of a row or column of the screen that do not show `colour`, as "x,y".
std::vector<std::string> Others(Xvfb& display, const Geometry& area, Rgb colour) {
  std::vector<std::string> out;
  const std::vector<Rgb> pixels = display.Pixels(area);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (pixels[i] == colour) continue;
    const int x = area.x + int(i) % area.width, y = area.y + int(i) / area.width;
    out.push_back(std::to_string(x) + "," + std::to_string(y));
  }
  return out;
}

bool Eventually(Xvfb& display, const std::function<bool()>& pred) {
  for (int i = 0; i < 250; ++i) {
    if (pred()) return true;
    display.WaitPixel(0, 0, {1, 2, 3}, 20ms);
  }
  return pred();
}

// Each control's picture reaches its edges: where two meet, or a strip meets the
// window, no pixel shows a blend with what lies behind.
TEST(HiDpiE2ETest, WindowIsTwiceAsLargeAndItsControlsMeetWithoutSeams) {
  Xvfb display;
  TempDir home;
  Program program(display, home, kScale2);
  const auto main = display.FindWindow(kMainTitle);
  ASSERT_TRUE(main) << program.Log();
  const Geometry g = display.WindowGeometry(*main);
  EXPECT_EQ(g.width, 1460);
  EXPECT_EQ(g.height, 390);
  ASSERT_EQ(display.WaitPixel(1458, 300, kStrip), kStrip);

  // Rows and columns across control edges, each stretch one colour: where two
  // controls meet, or one meets the window, no pixel shows a blend.
  const struct {
    Geometry area;
    Rgb colour;
  } stretches[] = {
      // The title row: text strip, minimise button, gap, close button; the window
      // left of them.
      {{0, 1, 2, 1}, kWindowBackground},
      {{2, 1, 1458, 1}, kStrip},
      // The top row of "Time Left": label and value, a unit of window, the border.
      {{338, 254, 1118, 1}, kBlack},
      {{1456, 254, 2, 1}, kWindowBackground},
      {{1458, 254, 2, 1}, kStrip},
      // Down the right: title, a unit of window, panel and value; the border.
      {{1440, 0, 1, 50}, kStrip},
      {{1440, 50, 1, 2}, kWindowBackground},
      {{1440, 52, 1, 256}, kBlack},
      {{1459, 50, 1, 340}, kStrip},
      // The minimise line drawn at the screen's density: two whole rows of white.
      {{1300, 20, 1, 6}, kStrip},
      {{1300, 26, 1, 2}, {255, 255, 255}},
      {{1300, 28, 1, 6}, kStrip},
  };
  for (const auto& s : stretches)
    EXPECT_EQ(Others(display, s.area, s.colour), std::vector<std::string>{})
        << s.area.x << "," << s.area.y;
  display.RequestClose(*main);
  EXPECT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
}

// Positions and offsets are in 1/96-inch units, twice as many screen pixels here;
// the strip that starts a move is measured in screen pixels.
TEST(HiDpiE2ETest, DockedCoverWindowFollowsAtTwiceTheOffsetAndTheFileKeepsUnits) {
  Xvfb display(2600, 1400);
  TempDir home;
  const std::string folder = home.path() + "/.config/lumo/Tidemark Drum and Bass FM/";
  WriteFile(folder + "preferences.json", json{{"WindowX", 100},
                                              {"WindowY", 300},
                                              {"cWinOpen", 1},
                                              {"cWindDock", 1},
                                              {"Preferences", folder}}
                                             .dump());
  Program program(display, home, kScale2);
  const auto main = display.FindWindow(kMainTitle);
  ASSERT_TRUE(main) << program.Log();
  const auto cover = display.FindOwnedWindow(*main);
  ASSERT_TRUE(cover);
  const auto docked_at = [&](int x, int y) {
    return Eventually(display, [&] {
      const Geometry m = display.WindowGeometry(*main), c = display.WindowGeometry(*cover);
      return m.x == x && m.y == y && c.x == x + 2 * 731 && c.y == y - 2 * 127;
    });
  };
  EXPECT_TRUE(docked_at(200, 600));
  EXPECT_EQ(display.WindowGeometry(*cover).width, 604);
  EXPECT_EQ(display.WindowGeometry(*cover).height, 644);
  ASSERT_EQ(display.WaitPixel(200 + 1458, 600 + 300, kStrip), kStrip);

  const auto drag = [&](int from_x, int from_y, int dx, int dy) {
    display.MovePointer(from_x, from_y);
    display.PressLeft();
    for (int i = 1; i <= 5; ++i) display.MovePointer(from_x + dx * i / 5, from_y + dy * i / 5);
    display.ReleaseLeft();
  };
  // The strip is client pixels 0 to 730 by 0 to 20, the left half of the title here:
  // just below it or right of it nothing moves.
  drag(200 + 700, 600 + 21, 100, 60);
  EXPECT_TRUE(docked_at(200, 600));
  drag(200 + 731, 600 + 10, 100, 60);
  EXPECT_TRUE(docked_at(200, 600));
  drag(200 + 730, 600 + 20, 100, -60);
  EXPECT_TRUE(docked_at(300, 540));

  display.RequestClose(*main);
  ASSERT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
  const json saved = json::parse(ReadFile(folder + "preferences.json"), nullptr, false);
  EXPECT_EQ(saved.value("WindowX", -1), 150);
  EXPECT_EQ(saved.value("WindowY", -1), 270);
  EXPECT_EQ(saved.value("cWinX", -1), 150 + 731);
  EXPECT_EQ(saved.value("cWinY", -1), 270 - 127);
  EXPECT_EQ(saved.value("WindowW", -1), 730);
}

}  // namespace
}  // namespace e2e
