// The window hook keeps the stored position current and starts strip drags.
#include "ui/window_hook.h"

#include <gtest/gtest.h>

#include "app/app_data.h"
#include "platform/headless/headless.h"

namespace sp {
namespace {

class WindowHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    AppData.Clear();
    ui::CreateWindow({WindowId::Main, "m", 0, 0, 730, 195, {}, WindowId::None});
    ui::InstallWindowHook(WindowHook);
  }
  void TearDown() override { headless::Reset(); }
};

TEST_F(WindowHookTest, MovesOfTheMainWindowAreStoredIncludingNegativeOnes) {
  ui::MoveWindow(WindowId::Main, -1200, -30);
  EXPECT_EQ(AppData.WindowX, -1200);
  EXPECT_EQ(AppData.WindowY, -30);
}

TEST_F(WindowHookTest, AMinimisedWindowKeepsItsLastShownPosition) {
  ui::MoveWindow(WindowId::Main, 100, 200);
  ui::MinimizeWindow(WindowId::Main);
  ui::MoveWindow(WindowId::Main, -32000, -32000);  // parked out of sight
  EXPECT_EQ(AppData.WindowX, 100);
  EXPECT_EQ(AppData.WindowY, 200);
}

TEST_F(WindowHookTest, OnlyAPressInTheTopTwentyOneRowsStartsAMove) {
  auto& world = headless::TheWorld();
  struct Case {
    Point pointer;
    bool moves;
  };
  const Case cases[] = {{{0, 0}, true},    {{730, 20}, true}, {{300, 21}, false},
                        {{731, 5}, false}, {{-1, 5}, false},  {{100, 24}, false}};
  for (const Case& c : cases) {
    world.move_starts.clear();
    world.pointer = c.pointer;
    ui::SendWindowMessage(WindowId::Main, ui::WindowMessage::LeftButtonDown);
    EXPECT_EQ(world.move_starts.size(), c.moves ? 1u : 0u) << c.pointer.x << "," << c.pointer.y;
  }
  world.pointer.reset();  // outside the client area
  world.move_starts.clear();
  ui::SendWindowMessage(WindowId::Main, ui::WindowMessage::LeftButtonDown);
  EXPECT_TRUE(world.move_starts.empty());
}

}  // namespace
}  // namespace sp
