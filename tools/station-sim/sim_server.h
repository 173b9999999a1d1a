// What the simulator's HTTP handlers share, and the functions that register them.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "covers.h"
#include "request_log.h"
#include "sim_state.h"
#include "tones.h"

namespace sim {

// Wakes every handler that waits (stream pacing, stalls) when the server stops.
class ShutdownSignal {
 public:
  void Trigger() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    cv_.notify_all();
  }
  // Sleeps until `deadline`; false when the server is stopping.
  bool SleepUntil(Steady::time_point deadline) {
    std::unique_lock lock(mutex_);
    return !cv_.wait_until(lock, deadline, [this] { return stopping_; });
  }
  bool stopping() const {
    std::lock_guard lock(mutex_);
    return stopping_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool stopping_ = false;
};

struct SimContext {
  SimState& state;
  RequestLog& log;
  const CoverStore& covers;
  const std::vector<Tone>& tones;
  ShutdownSignal& shutdown;
};

// /api/time, /api/station/<id>/current_song, the cover host, /stream/<id>, /channel.
void RegisterStationRoutes(httplib::Server& server, SimContext& ctx);
// /control/...: clock, songs, lag, faults, request log, scenario.
void RegisterControlRoutes(httplib::Server& server, SimContext& ctx);

// Streams the endless MP3 of `ctx` into `res`.
void ServeAudioStream(SimContext& ctx, httplib::Response& res);

// JSON text that survives invalid UTF-8 in logged request fields.
std::string DumpJson(const nlohmann::json& j);

}  // namespace sim
