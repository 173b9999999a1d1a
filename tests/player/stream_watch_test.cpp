// The keeper wired to the web view's reports, the timer and the desktop's status,
// through the headless backend.
#include "player/stream_watch.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/events.h"
#include "platform/headless/headless.h"
#include "player/player_commands.h"

namespace sp {
namespace {

std::vector<StreamStatus> statuses;
std::chrono::steady_clock::time_point now;

class StreamWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    statuses.clear();
    ui::CreateWindow({WindowId::Main, "t", 0, 0, 730, 195, {}, WindowId::None});
    ui::CreateWebView({WindowId::Main, ControlId::PlayerView, 170, 154, 558, 40});
    StartStreamWatch(ControlId::PlayerView, [] { return now; });
    WatchStreamStatus([](StreamStatus s) { statuses.push_back(s); });
  }
  void TearDown() override { WatchStreamStatus(nullptr); }

  static void Report(EventType type) {
    Raise({EventClass::Control, Num(WindowId::Main), Num(ControlId::PlayerView), type, {}});
  }
  static headless::World& World() { return headless::TheWorld(); }
  static const headless::World::Timer& Timer() {
    return World().timers.at(Num(TimerId::StreamKeeper));
  }
};

TEST_F(StreamWatchTest, AnErrorWaitsASecondThenReloadsAndTheSoundShowsAsPlaying) {
  EXPECT_EQ(statuses, std::vector<StreamStatus>{StreamStatus::Stopped});
  Report(event_type::MediaPlaying);
  EXPECT_EQ(statuses.back(), StreamStatus::Playing);
  EXPECT_GT(Timer().delay, std::chrono::milliseconds(9000));  // the stall check

  Report(event_type::MediaError);
  EXPECT_EQ(statuses.back(), StreamStatus::Stopped);
  EXPECT_LE(Timer().delay, std::chrono::milliseconds(1000));
  EXPECT_TRUE(World().web_scripts.empty());
  // The handler runs once the delay has passed.
  now += Timer().delay;
  Timer().handler();
  ASSERT_EQ(World().web_scripts.size(), 1u);
  EXPECT_EQ(World().web_scripts.back(), PlayerCommandScript(PlayerCommand::Reload));
  Report(event_type::MediaPlaying);
  EXPECT_EQ(statuses.back(), StreamStatus::Playing);

  // The desktop's pause: the element is paused and no timer waits.
  RunListenerCommand(ListenerCommand::Toggle);
  EXPECT_EQ(World().web_scripts.back(), PlayerCommandScript(PlayerCommand::Pause));
  EXPECT_EQ(statuses.back(), StreamStatus::Paused);
  EXPECT_TRUE(World().timers.empty());
}

}  // namespace
}  // namespace sp
