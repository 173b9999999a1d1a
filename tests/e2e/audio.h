// Test support for sound: a private session bus and a private PulseAudio server with
// a null sink whose monitor a test records, and level measurements of recordings.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {

// A session bus of the test's own, so nothing autostarts one through X11.
class SessionBus {
 public:
  explicit SessionBus(const std::string& folder);
  const std::string& address() const { return address_; }

 private:
  std::string address_;
  std::optional<Process> daemon_;
};

// A PulseAudio server in `folder` whose default sink "t" plays into nothing.
class PulseServer {
 public:
  static constexpr int kRate = 44100;
  static constexpr int kChannels = 2;

  PulseServer(const std::string& folder, const SessionBus& bus);
  bool ready() const { return ready_; }
  // What a client needs in its environment to play into the sink.
  std::map<std::string, std::string> ClientEnv() const;

  // Starts recording `seconds` of the sink's monitor into `raw_file` (s16le stereo);
  // wait for the process to end before reading the file.
  Process StartRecording(const std::string& raw_file, double seconds) const;
  // Records `seconds` of the monitor, waiting for it.
  std::vector<std::int16_t> Record(double seconds) const;
  // Starts playing a sound file into the sink at full volume.
  Process StartPlaying(const std::string& sound_file) const;

 private:
  int Run(const std::string& command, std::chrono::milliseconds timeout) const;

  std::string folder_;
  std::map<std::string, std::string> env_;
  std::optional<Process> daemon_;
  bool ready_ = false;
};

std::vector<std::int16_t> ReadSamples(const std::string& raw_file);
// Root mean square of 16-bit samples as a fraction of full scale.
double Rms(const std::vector<std::int16_t>& samples, std::size_t first = 0,
           std::size_t count = SIZE_MAX);
// The RMS of each consecutive block of `block_seconds` (interleaved stereo).
std::vector<double> BlockRms(const std::vector<std::int16_t>& samples, double block_seconds);

}  // namespace e2e
