// The docking arithmetic and the follow rule's decisions, without a display. The
// X11 case is played out against a small model of a window system that carries
// out the program's moves late and reports every change after it happened.
#include "ui/window_follow.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <utility>

#include "ui/docking.h"

namespace sp {
namespace {

TEST(DockingTest, OffsetsAndStrips) {
  EXPECT_EQ(DockedCoverAt({100, 300}), (Point{831, 173}));
  EXPECT_EQ(OpenedDockedCoverAt({100, 300}), (Point{830, 173}));
  EXPECT_EQ(MainBesideCover({831, 173}), (Point{100, 300}));
  EXPECT_EQ(DockedCoverAt({-2000, -40}), (Point{-1269, -167}));
  // Edited files: saturate instead of wrapping round.
  EXPECT_EQ(DockedCoverAt({INT64_MAX, INT64_MIN}), (Point{INT64_MAX, INT64_MIN}));
  EXPECT_EQ(MainBesideCover({INT64_MIN, INT64_MAX}), (Point{INT64_MIN, INT64_MAX}));

  struct Case {
    WindowId window;
    std::optional<Point> pointer;
    bool strip;
  };
  const Case cases[] = {
      {WindowId::Main, Point{0, 0}, true},     {WindowId::Main, Point{730, 20}, true},
      {WindowId::Main, Point{731, 5}, false},  {WindowId::Main, Point{300, 21}, false},
      {WindowId::Main, Point{-1, 5}, false},   {WindowId::Cover, Point{302, 20}, true},
      {WindowId::Cover, Point{303, 0}, false}, {WindowId::Cover, Point{100, 21}, false},
      {WindowId::Cover, std::nullopt, false},  {WindowId::None, Point{5, 5}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InDragStrip(c.window, c.pointer), c.strip)
        << Num(c.window) << " " << (c.pointer ? c.pointer->x : -99) << ","
        << (c.pointer ? c.pointer->y : -99);
}

// A window system that carries out requested moves after a random delay and reports
// each change later still; the program reads a window's place when it handles the
// report, as GTK does.
class LaggingWindows {
 public:
  LaggingWindows(Point main, Point cover) {
    at_[Main] = main;
    at_[Cover] = cover;
  }

  // The user drags `window` by (dx, dy), then the system gets a few turns.
  void Drag(WindowId window, std::int64_t dx, std::int64_t dy) {
    Point& p = at_[Index(window)];
    p = {p.x + dx, p.y + dy};
    reports_.push_back(window);
    for (int turns = int(rng_() % 4); turns > 0; --turns) Turn();
  }
  void Press(WindowId window) { follow.Released(window); }
  // Everything outstanding happens.
  void Settle() {
    while (!requests_.empty() || !reports_.empty()) Turn();
  }

  Point At(WindowId window) const { return at_[Index(window)]; }
  int Requests(WindowId window) const { return moved_[Index(window)]; }

  WindowFollow follow;
  bool docked_open = true;
  Point stored_main, stored_cover;

 private:
  static constexpr int Main = 0, Cover = 1;
  static int Index(WindowId w) { return w == WindowId::Main ? Main : Cover; }

  void Turn() {
    if (requests_.empty() && reports_.empty()) return;
    // Either the system carries out the oldest request or the program handles the
    // oldest report, in an order the program cannot predict.
    const bool apply = !requests_.empty() && (reports_.empty() || rng_() % 2 == 0);
    if (apply) {
      const auto [window, to] = requests_.front();
      requests_.pop_front();
      at_[Index(window)] = to;
      reports_.push_back(window);
      return;
    }
    const WindowId window = reports_.front();
    reports_.pop_front();
    const WindowId partner = window == WindowId::Main ? WindowId::Cover : WindowId::Main;
    const auto plan = follow.Moved({window, At(window), false}, {docked_open, false, At(partner)});
    if (plan.main) stored_main = *plan.main;
    if (plan.cover) stored_cover = *plan.cover;
    if (plan.move) {
      ++moved_[Index(plan.move->window)];
      requests_.emplace_back(plan.move->window, plan.move->to);
    }
  }

  Point at_[2];
  int moved_[2] = {0, 0};
  std::deque<std::pair<WindowId, Point>> requests_;
  std::deque<WindowId> reports_;
  std::mt19937 rng_{12};
};

TEST(WindowFollowTest, LateEchoesNeverPushTheLeaderBackAndNothingDrifts) {
  LaggingWindows windows({100, 300}, {831, 173});
  for (int drag = 0; drag < 20; ++drag) {
    const WindowId leader = drag % 2 ? WindowId::Cover : WindowId::Main;
    const WindowId follower = drag % 2 ? WindowId::Main : WindowId::Cover;
    const int follower_moves = windows.Requests(follower);
    const int leader_moves = windows.Requests(leader);
    windows.Press(leader);
    for (int step = 0; step < 50; ++step)
      windows.Drag(leader, step % 7 - 3 + drag % 3, 2 - step % 5);
    windows.Settle();
    // The leader goes only where the user takes it; the follower keeps up.
    EXPECT_EQ(windows.Requests(leader), leader_moves) << "drag " << drag;
    EXPECT_GT(windows.Requests(follower), follower_moves) << "drag " << drag;
    EXPECT_EQ(windows.At(WindowId::Cover), DockedCoverAt(windows.At(WindowId::Main)))
        << "drag " << drag;
    EXPECT_EQ(windows.stored_main, windows.At(WindowId::Main));
    EXPECT_EQ(windows.stored_cover, windows.At(WindowId::Cover));
    EXPECT_TRUE(windows.follow.Pending(WindowId::Main).empty());
    EXPECT_TRUE(windows.follow.Pending(WindowId::Cover).empty());
  }
}

TEST(WindowFollowTest, UndockedWindowsOnlyStoreTheirOwnPlaces) {
  LaggingWindows windows({100, 300}, {900, 50});
  windows.docked_open = false;
  windows.Drag(WindowId::Main, 10, 10);
  windows.Drag(WindowId::Cover, -5, 5);
  windows.Settle();
  EXPECT_EQ(windows.Requests(WindowId::Main) + windows.Requests(WindowId::Cover), 0);
  EXPECT_EQ(windows.stored_main, (Point{110, 310}));
  EXPECT_EQ(windows.stored_cover, (Point{895, 55}));
}

TEST(WindowFollowTest, EachReportDecidesOnce) {
  const WindowFollow::Situation docked{true, false, Point{831, 173}};
  WindowFollow follow;

  // The main window leads; the cover window is sent, and its report is the echo.
  auto plan = follow.Moved({WindowId::Main, {110, 300}}, docked);
  EXPECT_EQ(plan.main, (Point{110, 300}));
  EXPECT_EQ(plan.cover, (Point{841, 173}));
  EXPECT_EQ(plan.move, (WindowFollow::Move{WindowId::Cover, {841, 173}}));
  plan = follow.Moved({WindowId::Cover, {841, 173}}, {true, false, Point{110, 300}});
  EXPECT_FALSE(plan.main || plan.cover || plan.move);

  // The same change reported twice is acted on once.
  follow.Moved({WindowId::Main, {120, 300}}, docked);
  plan = follow.Moved({WindowId::Main, {120, 300}}, docked);
  EXPECT_FALSE(plan.main || plan.cover || plan.move);
  ASSERT_EQ(follow.Pending(WindowId::Cover).size(), 1u);
  // Nor does one where the partner already stands.
  follow.Clear();
  plan = follow.Moved({WindowId::Main, {100, 300}}, docked);
  EXPECT_EQ(plan.main, (Point{100, 300}));
  EXPECT_FALSE(plan.move);

  // An echo of an older request confirms it and every one before it.
  follow.Sent(WindowId::Cover, {1, 1});
  follow.Sent(WindowId::Cover, {2, 2});
  follow.Sent(WindowId::Cover, {3, 3});
  follow.Moved({WindowId::Cover, {2, 2}}, docked);
  EXPECT_EQ(follow.Pending(WindowId::Cover), (std::deque<Point>{{3, 3}}));
  // A place never asked for is the window's own lead; the rest is forgotten.
  plan = follow.Moved({WindowId::Cover, {500, 500}}, docked);
  EXPECT_EQ(plan.move, (WindowFollow::Move{WindowId::Main, {-231, 627}}));
  EXPECT_TRUE(follow.Pending(WindowId::Cover).empty());

  // A size message leads even from a place the window was sent to (docking switched on).
  follow.Sent(WindowId::Main, {7, 200});
  plan = follow.Moved({WindowId::Main, {7, 200}, true}, {true, false, Point{0, 0}});
  EXPECT_EQ(plan.move, (WindowFollow::Move{WindowId::Cover, {738, 73}}));

  // The user's press hands the window back to the user.
  follow.Sent(WindowId::Main, {40, 40});
  follow.Released(WindowId::Main);
  EXPECT_TRUE(follow.Pending(WindowId::Main).empty());

  // A minimised main window may stand at a parking place: nothing is stored or moved.
  plan = follow.Moved({WindowId::Main, {-32000, -32000}}, {true, true, Point{0, 0}});
  EXPECT_FALSE(plan.main || plan.cover || plan.move);

  // A window system that never reports keeps the list short.
  for (int i = 0; i < 1000; ++i) follow.Sent(WindowId::Main, {i, i});
  EXPECT_LE(follow.Pending(WindowId::Main).size(), 64u);
}

}  // namespace
}  // namespace sp
