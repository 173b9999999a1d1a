// Test support: a small stand-in for the station's audio stream on loopback. It
// serves GET /stream/<station> as an endless MP3 at real-time pace, looping the
// frames of a test tone, and keeps a log of the stream requests.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

// The tone the build generates for the stand-in (tests/e2e/make_test_tone.sh): a
// sine of 441 Hz at half of full scale, 44.1 kHz stereo, CBR MP3 without bit
// reservoir, so any whole run of frames decodes on its own.
struct TestTone {
  static constexpr double kHz = 441;
  static constexpr double kAmplitude = 0.5;  // of full scale
};

// Splits MPEG-1 layer III data into its frames; stops at the first byte that is not
// a frame header.
std::vector<std::string> SplitMp3Frames(const std::string& bytes);

struct StreamRequest {
  std::string path;
  std::string user_agent;
  std::chrono::steady_clock::time_point at;
  std::optional<std::chrono::steady_clock::time_point> ended;  // when the connection went
};

class StreamStandIn {
 public:
  // Loops frames [first, first + count) of `mp3_file`. With the test tone, a count
  // that is a multiple of 25 makes the loop seamless (25 frames = 28800 samples =
  // 288 whole periods of 441 Hz). Throws when the file cannot be used.
  StreamStandIn(const std::string& mp3_file, std::size_t first, std::size_t count);
  ~StreamStandIn();
  StreamStandIn(const StreamStandIn&) = delete;
  StreamStandIn& operator=(const StreamStandIn&) = delete;

  // Starts serving on 127.0.0.1:port. Retries for up to `patience` while the port is
  // taken by someone else; false if it never became free.
  bool Listen(int port, std::chrono::milliseconds patience);
  void Stop();

  std::vector<StreamRequest> Requests() const;
  // Waits until `n` stream requests have arrived; the log so far either way.
  std::vector<StreamRequest> WaitForRequests(std::size_t n, std::chrono::milliseconds timeout);

 private:
  struct Server;
  std::vector<std::string> frames_;
  std::unique_ptr<Server> server_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<StreamRequest> requests_;
};

}  // namespace e2e
