// Brings the stream back when it stops without the listener asking: decides from the
// audio element's reports, the listener's commands and the time when to load the stream
// again and how long to wait between tries. Pure: the caller passes the time in and
// carries out what comes back.
#pragma once

#include <array>
#include <chrono>
#include <optional>

namespace sp {

class StreamKeeper {
 public:
  using Time = std::chrono::steady_clock::time_point;
  using Duration = std::chrono::steady_clock::duration;

  // Waits between tries, in order; the last one repeats for as long as the program runs.
  static constexpr std::array<std::chrono::seconds, 7> kRetryDelays = {
      std::chrono::seconds(1), std::chrono::seconds(2),  std::chrono::seconds(4),
      std::chrono::seconds(8), std::chrono::seconds(16), std::chrono::seconds(32),
      std::chrono::seconds(60)};
  // A position that stands still this long while it should move counts as a drop.
  static constexpr std::chrono::seconds kStallLimit{10};
  // Playing this long without a break starts the waits from the first again.
  static constexpr std::chrono::seconds kSteadyPlay{60};

  enum class State {
    Connecting,  // loading the stream, waiting for the sound
    Playing,     // the sound flows
    Waiting,     // between tries
    Paused,      // the listener paused; nothing is tried until the listener plays
  };
  enum class Action {
    None,
    Reload,  // load the stream afresh and play it
    Pause,   // pause the audio element
  };

  // The page has just been loaded and plays by itself.
  explicit StreamKeeper(Time now);

  // What the audio element reports.
  Action OnPlayRequested(Time now);  // it left its paused state ("play")
  Action OnPlaying(Time now);        // the sound flows ("playing")
  Action OnPaused(Time now);         // it was paused (not by ending)
  Action OnFailed(Time now);         // an error, or the end of the stream
  Action OnPosition(Time now, double position_s);
  // The listener, through the desktop's media keys.
  Action OnListenerPlay(Time now);
  Action OnListenerPause(Time now);
  Action OnListenerToggle(Time now);
  // Call at Deadline() (or later; earlier does no harm).
  Action OnTimer(Time now);

  State state() const { return state_; }
  // When OnTimer has something to do, if ever.
  std::optional<Time> Deadline() const;
  // How long the next wait will be, should the stream stop now.
  Duration NextDelay() const;

 private:
  Action Fail(Time now);
  Action Reconnect(Time now);

  State state_ = State::Connecting;
  std::size_t next_delay_ = 0;  // index into kRetryDelays
  Time retry_at_{};             // Waiting: when to try again
  Time moved_at_{};             // Connecting and Playing: when the position last moved
  Time playing_since_{};        // Playing: since when without a break
  std::optional<double> position_;
};

}  // namespace sp
