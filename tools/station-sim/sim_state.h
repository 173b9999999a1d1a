// Everything a test can change in the simulator, behind one lock: clock,
// playlist, stream lag and faults. Scenario files use the same JSON form.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "faults.h"
#include "playlist.h"
#include "sim_time.h"

namespace sim {

inline constexpr char kStationId[] = "tidemark";
inline constexpr std::int64_t kDefaultStreamLag = 42;

// A consistent copy of what one answer needs.
struct Snapshot {
  double now = 0;  // wall-clock seconds, fractional
  std::string utc_offset;
  Playlist playlist;
  std::int64_t stream_lag = kDefaultStreamLag;
  double speed = 1;
};

class SimState {
 public:
  // The machine's local time at real speed; the default songs, the first of
  // them on air since a minute ago.
  explicit SimState(Steady::time_point now);

  Snapshot Take(Steady::time_point now) const;

  // Applies the members present in `scenario` (see README: clock, songs,
  // playlist_start, stream_lag, faults). Throws std::invalid_argument or
  // nlohmann::json::exception on bad input; nothing changes then.
  void Apply(const nlohmann::json& scenario, Steady::time_point now);

  void SetFault(Fault f);
  void ClearFaults();
  std::optional<Fault> TakeFault(const std::string& path);

  // Open streams end when this number moves on; a stream notes it when it starts.
  std::uint64_t StreamEpoch() const { return stream_epoch_.load(); }
  void CutStreams() { ++stream_epoch_; }

  nlohmann::json ToJson(Steady::time_point now) const;

 private:
  mutable std::mutex mutex_;
  SimClock clock_;
  std::string utc_offset_;
  Playlist playlist_;
  std::int64_t stream_lag_ = kDefaultStreamLag;
  FaultTable faults_;
  std::atomic<std::uint64_t> stream_epoch_{0};
};

// The song heard on the stream at wall time t: the one on air `lag` seconds earlier.
std::optional<Slot> HeardAt(const Snapshot& s, double t);

}  // namespace sim
