// When the stream is loaded again after it stopped by itself, and when it is not.
#include "player/stream_keeper.h"

#include <gtest/gtest.h>

#include <vector>

namespace sp {
namespace {

using namespace std::chrono_literals;
using State = StreamKeeper::State;
using Action = StreamKeeper::Action;

class StreamKeeperTest : public ::testing::Test {
 protected:
  // Plays from t0 with the position moving every second for `d`.
  void PlayFor(std::chrono::seconds d) {
    for (auto end = now + d; now < end;) {
      now += 1s;
      position += 1;
      EXPECT_EQ(keeper.OnPosition(now, position), Action::None);
      EXPECT_EQ(keeper.OnTimer(now), Action::None);
    }
  }
  // Fails now and returns the wait until the next try, checking nothing happens before it.
  std::chrono::steady_clock::duration FailAndWait() {
    keeper.OnFailed(now);
    EXPECT_EQ(keeper.state(), State::Waiting);
    const auto due = keeper.Deadline().value();
    EXPECT_EQ(keeper.OnTimer(due - 1ms), Action::None);
    EXPECT_EQ(keeper.OnTimer(due), Action::Reload);
    EXPECT_EQ(keeper.state(), State::Connecting);
    const auto waited = due - now;
    now = due;
    return waited;
  }

  StreamKeeper::Time now{};
  double position = 0;
  StreamKeeper keeper{now};
};

TEST_F(StreamKeeperTest, WaitsDoubleFromOneSecondToAMinuteAndStayThere) {
  keeper.OnPlaying(now);
  std::vector<std::chrono::seconds> waits;
  for (int i = 0; i < 9; ++i)
    waits.push_back(std::chrono::duration_cast<std::chrono::seconds>(FailAndWait()));
  const std::vector<std::chrono::seconds> expected = {1s, 2s, 4s, 8s, 16s, 32s, 60s, 60s, 60s};
  EXPECT_EQ(waits, expected);
  // An error of the try just made, reported late, does not count twice.
  keeper.OnFailed(now);
  keeper.OnFailed(now);
  EXPECT_EQ(keeper.Deadline(), now + 60s);
}

TEST_F(StreamKeeperTest, APositionStandingStillTenSecondsIsADropAndSoIsATryWithoutSound) {
  keeper.OnPlaying(now);
  PlayFor(30s);
  // The reports go on, but the position no longer moves.
  for (int i = 1; i < 10; ++i) EXPECT_EQ(keeper.OnPosition(now + i * 1s, position), Action::None);
  EXPECT_EQ(keeper.OnTimer(now + 9999ms), Action::None);
  EXPECT_EQ(keeper.Deadline(), now + 10s);
  EXPECT_EQ(keeper.OnTimer(now + 10s), Action::None);
  EXPECT_EQ(keeper.state(), State::Waiting);
  now += 10s;
  now = keeper.Deadline().value();
  EXPECT_EQ(keeper.OnTimer(now), Action::Reload);
  // The try connects but never sounds.
  EXPECT_EQ(keeper.OnTimer(now + 10s), Action::None);
  EXPECT_EQ(keeper.state(), State::Waiting);
  EXPECT_EQ(keeper.Deadline(), now + 12s);
}

TEST_F(StreamKeeperTest, AMinuteOfPlayingWithoutABreakStartsTheWaitsAgain) {
  keeper.OnPlaying(now);
  for (int i = 0; i < 4; ++i) FailAndWait();  // 1, 2, 4, 8
  keeper.OnPlaying(now);
  PlayFor(59s);
  EXPECT_EQ(FailAndWait(), 16s);  // not long enough
  keeper.OnPlaying(now);
  PlayFor(60s);
  EXPECT_EQ(FailAndWait(), 1s);
  // A stall ends the playing where the position stopped, not when it was noticed.
  keeper.OnPlaying(now);
  PlayFor(55s);
  EXPECT_EQ(keeper.OnTimer(now + 10s), Action::None);
  EXPECT_EQ(keeper.Deadline(), now + 12s);
}

TEST_F(StreamKeeperTest, TheListenersPauseIsNeverUndoneAndTheirPlayConnectsAtOnce) {
  keeper.OnPlaying(now);
  for (int i = 0; i < 3; ++i) FailAndWait();
  keeper.OnFailed(now);
  // Paused on the page's controls while waiting: nothing more is tried.
  EXPECT_EQ(keeper.OnPaused(now), Action::None);
  EXPECT_FALSE(keeper.Deadline());
  EXPECT_EQ(keeper.OnFailed(now + 1s), Action::None);
  EXPECT_EQ(keeper.OnPosition(now + 2s, 3), Action::None);
  EXPECT_EQ(keeper.OnTimer(now + 120s), Action::None);
  EXPECT_EQ(keeper.state(), State::Paused);
  // Play on the page: a fresh connection now, and the waits start from the first again.
  EXPECT_EQ(keeper.OnPlayRequested(now + 120s), Action::Reload);
  EXPECT_EQ(keeper.OnPlayRequested(now + 120s), Action::None);  // the reload's own play
  EXPECT_EQ(keeper.state(), State::Connecting);
  keeper.OnFailed(now + 121s);
  EXPECT_EQ(keeper.Deadline(), now + 122s);

  // The media keys: pause from any state, play only where there is no sound.
  EXPECT_EQ(keeper.OnListenerPause(now + 121s), Action::Pause);
  EXPECT_FALSE(keeper.Deadline());
  EXPECT_EQ(keeper.OnListenerPlay(now + 130s), Action::Reload);
  EXPECT_EQ(keeper.OnListenerPlay(now + 130s), Action::None);
  keeper.OnPlaying(now + 131s);
  EXPECT_EQ(keeper.OnListenerPlay(now + 132s), Action::None);
  EXPECT_EQ(keeper.OnListenerToggle(now + 133s), Action::Pause);
  EXPECT_EQ(keeper.OnListenerToggle(now + 134s), Action::Reload);
  keeper.OnFailed(now + 135s);
  EXPECT_EQ(keeper.OnListenerToggle(now + 135s), Action::Reload);  // silent between tries
}

}  // namespace
}  // namespace sp
