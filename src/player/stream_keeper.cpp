#include "player/stream_keeper.h"

namespace sp {

StreamKeeper::StreamKeeper(Time now) : moved_at_(now) {}

StreamKeeper::Action StreamKeeper::OnPlayRequested(Time now) {
  // The program itself never plays while waiting or paused, so this is the listener,
  // on the page's own controls: a fresh connection at once, whatever the old one is.
  if (state_ == State::Waiting || state_ == State::Paused) return Reconnect(now);
  return Action::None;
}

StreamKeeper::Action StreamKeeper::OnPlaying(Time now) {
  if (state_ != State::Playing) playing_since_ = now;
  state_ = State::Playing;
  moved_at_ = now;
  return Action::None;
}

StreamKeeper::Action StreamKeeper::OnPaused(Time) {
  // Only the listener pauses the element without ending it: never undone.
  state_ = State::Paused;
  return Action::None;
}

StreamKeeper::Action StreamKeeper::OnFailed(Time now) {
  // While waiting the failure is the last try's, already counted; while paused the
  // listener's next play connects afresh anyway.
  if (state_ == State::Connecting || state_ == State::Playing) return Fail(now);
  return Action::None;
}

StreamKeeper::Action StreamKeeper::OnPosition(Time now, double position_s) {
  if (state_ != State::Connecting && state_ != State::Playing) return Action::None;
  if (position_ != position_s) moved_at_ = now;
  position_ = position_s;
  return Action::None;
}

StreamKeeper::Action StreamKeeper::OnListenerPlay(Time now) {
  if (state_ == State::Waiting || state_ == State::Paused) return Reconnect(now);
  return Action::None;  // already connecting or playing
}

StreamKeeper::Action StreamKeeper::OnListenerPause(Time) {
  state_ = State::Paused;
  return Action::Pause;
}

StreamKeeper::Action StreamKeeper::OnListenerToggle(Time now) {
  // Silent between tries: the key asks for sound, as it would of a stopped player.
  if (state_ == State::Waiting || state_ == State::Paused) return OnListenerPlay(now);
  return OnListenerPause(now);
}

StreamKeeper::Action StreamKeeper::OnTimer(Time now) {
  switch (state_) {
    case State::Waiting:
      if (now >= retry_at_) {
        state_ = State::Connecting;
        moved_at_ = now;
        position_.reset();
        return Action::Reload;
      }
      break;
    case State::Connecting:
    case State::Playing:
      if (now - moved_at_ >= kStallLimit) return Fail(now);
      break;
    case State::Paused:
      break;
  }
  return Action::None;
}

std::optional<StreamKeeper::Time> StreamKeeper::Deadline() const {
  switch (state_) {
    case State::Waiting:
      return retry_at_;
    case State::Connecting:
    case State::Playing:
      return moved_at_ + kStallLimit;
    case State::Paused:
      break;
  }
  return std::nullopt;
}

StreamKeeper::Duration StreamKeeper::NextDelay() const {
  return kRetryDelays[next_delay_];
}

StreamKeeper::Action StreamKeeper::Fail(Time now) {
  // The sound stopped when the position last moved, not when the stall was noticed.
  if (state_ == State::Playing && moved_at_ - playing_since_ >= kSteadyPlay) next_delay_ = 0;
  retry_at_ = now + kRetryDelays[next_delay_];
  if (next_delay_ + 1 < kRetryDelays.size()) ++next_delay_;
  state_ = State::Waiting;
  return Action::None;
}

StreamKeeper::Action StreamKeeper::Reconnect(Time now) {
  next_delay_ = 0;
  state_ = State::Connecting;
  moved_at_ = now;
  position_.reset();
  return Action::Reload;
}

}  // namespace sp
