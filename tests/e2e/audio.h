// Test support for sound: a private session bus and a private sound server (PulseAudio,
// or PipeWire serving PulseAudio's protocol) with a null sink whose monitor a test
// records, and level measurements of recordings.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
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

// The sound servers of Linux desktops. Clients reach both through PulseAudio's protocol.
enum class SoundServerKind { PulseAudio, PipeWire };
std::string NameOf(SoundServerKind kind);  // "PulseAudio" or "PipeWire"
// How GoogleTest prints it.
inline void PrintTo(SoundServerKind kind, std::ostream* out) {
  *out << NameOf(kind);
}
// Names the instances of a test run under each sound server.
struct SoundServerName {
  template <typename ParamInfo>
  std::string operator()(const ParamInfo& info) const {
    return NameOf(info.param);
  }
};

// A sound server in `folder` whose default sink "t" plays into nothing: PulseAudio
// itself, or PipeWire with its session manager and its PulseAudio server. Its runtime
// folder, home and settings are the test's own, and it sees no sound card.
class PulseServer {
 public:
  static constexpr int kRate = 44100;
  static constexpr int kChannels = 2;

  PulseServer(const std::string& folder, const SessionBus& bus,
              SoundServerKind kind = SoundServerKind::PulseAudio);
  ~PulseServer();
  PulseServer(const PulseServer&) = delete;
  PulseServer& operator=(const PulseServer&) = delete;

  bool ready() const { return ready_; }
  SoundServerKind kind() const { return kind_; }
  // What the servers wrote, for a failure message.
  std::string Log() const;
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
  friend class Recording;
  int Run(const std::string& command, std::chrono::milliseconds timeout) const;
  void StartPipeWire();

  std::string folder_;
  SoundServerKind kind_;
  std::map<std::string, std::string> env_;
  std::vector<std::unique_ptr<Process>> daemons_;  // in the order they started
  bool ready_ = false;
};

// A recording of the sink's monitor that notes when each piece of it arrived. A sink
// with nothing to play may deliver nothing for a while (PipeWire suspends an idle one),
// so the number of samples recorded is no clock; the arrival times are.
class Recording {
 public:
  using Clock = std::chrono::steady_clock;
  struct Block {
    double rms = 0;           // as a fraction of full scale
    Clock::time_point until;  // when its last sample arrived
  };

  explicit Recording(const PulseServer& server);
  ~Recording();
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

  // Waits until sound that arrived at `time` or later is in, or `timeout` has passed.
  bool WaitUntil(Clock::time_point time, std::chrono::milliseconds timeout);
  // The RMS of each consecutive block of `block_seconds` so far.
  std::vector<Block> Blocks(double block_seconds) const;

 private:
  void Read();

  std::string fifo_;
  int fd_ = -1;
  std::unique_ptr<Process> recorder_;
  mutable std::mutex mutex_;  // guards samples_ and arrivals_
  std::vector<std::int16_t> samples_;
  std::vector<std::pair<std::size_t, Clock::time_point>> arrivals_;  // samples so far, when
  std::atomic<bool> stop_{false};
  std::thread reader_;
};

// The last moment after `from` at which the recording heard no sound: the arrival of
// its last block quieter than `signal`, or of one that came more than `gap` after the
// block before it (nothing arrived in between). Nothing when it heard sound throughout.
std::optional<Recording::Clock::time_point> LastQuiet(const std::vector<Recording::Block>& blocks,
                                                      Recording::Clock::time_point from,
                                                      double signal, std::chrono::milliseconds gap);

std::vector<std::int16_t> ReadSamples(const std::string& raw_file);
// Root mean square of 16-bit samples as a fraction of full scale.
double Rms(const std::vector<std::int16_t>& samples, std::size_t first = 0,
           std::size_t count = SIZE_MAX);
// The RMS of each consecutive block of `block_seconds` (interleaved stereo).
std::vector<double> BlockRms(const std::vector<std::int16_t>& samples, double block_seconds);

}  // namespace e2e
