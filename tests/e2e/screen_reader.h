// The screen reader Orca on a private desktop session, speaking through
// speech-dispatcher into a PulseAudio null sink, and what it said, read from its own
// debug log ("SPEECH OUTPUT: '...'").
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/audio.h"
#include "tests/e2e/harness.h"

namespace e2e {

class ScreenReader {
 public:
  // `folder` holds its home, runtime folder and logs. Waits until Orca says it is on.
  ScreenReader(const std::string& folder, const Xvfb& display, const SessionBus& bus,
               const PulseServer& pulse);
  bool ready() const { return ready_; }

  // Every line spoken so far.
  const std::vector<std::string>& Spoken();
  // The lines spoken from line `from` on, up to the first that `wanted` accepts, which
  // is last; nothing when none came within `timeout`.
  std::optional<std::vector<std::string>> WaitFor(
      std::size_t from, const std::function<bool(const std::string&)>& wanted,
      std::chrono::milliseconds timeout);
  // What went wrong, for a failure message: the speech server's and Orca's own output.
  std::string Diagnostics() const;

 private:
  std::string folder_;
  std::optional<Process> speech_server_;
  std::optional<Process> orca_;
  std::string log_path_;
  std::string unread_;  // the log's tail that holds no whole line spoken yet
  std::size_t read_ = 0;
  std::vector<std::string> spoken_;
  bool ready_ = false;
};

}  // namespace e2e
