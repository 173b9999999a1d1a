// Applying scenarios and control requests to the simulator's state.
#include "sim_state.h"

#include <cmath>
#include <stdexcept>
#include <vector>

namespace sim {
namespace {

WallSeconds WallTimeMember(const nlohmann::json& j, const char* name) {
  const std::optional<WallSeconds> t =
      j.at(name).is_string() ? ParseDateTime(j.at(name).get<std::string>()) : std::nullopt;
  if (!t) throw std::invalid_argument(std::string(name) + " must be \"YYYY-MM-DD hh:mm:ss\"");
  return *t;
}

}  // namespace

SimState::SimState(Steady::time_point now)
    : clock_(static_cast<double>(LocalWallTimeNow()), 1.0, now),
      utc_offset_(LocalUtcOffset()),
      // Started a minute ago, so the stream, 42 s behind, already plays the
      // song the API reports and the demo's panel matches what is heard.
      playlist_(DefaultSongs(), LocalWallTimeNow() - 60) {}

Snapshot SimState::Take(Steady::time_point now) const {
  std::lock_guard lock(mutex_);
  return Snapshot{clock_.At(now), utc_offset_, playlist_, stream_lag_, clock_.speed()};
}

void SimState::Apply(const nlohmann::json& sc, Steady::time_point now) {
  if (!sc.is_object()) throw std::invalid_argument("a scenario must be an object");
  // Everything is read and checked before anything changes.
  std::lock_guard lock(mutex_);
  SimClock clock = clock_;
  std::string offset = utc_offset_;
  if (sc.contains("clock")) {
    const nlohmann::json& c = sc.at("clock");
    if (!c.is_object()) throw std::invalid_argument("clock must be an object");
    double value = clock.At(now);
    double speed = clock.speed();
    if (c.contains("now")) value = static_cast<double>(WallTimeMember(c, "now"));
    if (c.contains("speed")) speed = c.at("speed").get<double>();
    if (!std::isfinite(speed) || speed < 0 || speed > 1e6) {
      throw std::invalid_argument("speed must be 0 to 1000000");
    }
    if (c.contains("offset")) {
      offset = c.at("offset").get<std::string>();
      if (!IsUtcOffset(offset)) throw std::invalid_argument("offset must be like +0100");
    }
    clock.Reset(value, speed, now);
  }
  Playlist playlist = playlist_;
  if (sc.contains("songs") || sc.contains("playlist_start")) {
    std::vector<Song> songs = playlist.songs();
    if (sc.contains("songs")) {
      if (!sc.at("songs").is_array()) throw std::invalid_argument("songs must be an array");
      songs.clear();
      for (const nlohmann::json& s : sc.at("songs")) songs.push_back(SongFromJson(s));
    }
    // A new list starts now unless the scenario says when.
    const WallSeconds start = sc.contains("playlist_start") ? WallTimeMember(sc, "playlist_start")
                                                            : WholeSeconds(clock.At(now));
    playlist = Playlist(std::move(songs), start);
  }
  std::int64_t lag = stream_lag_;
  if (sc.contains("stream_lag")) {
    lag = sc.at("stream_lag").get<std::int64_t>();
    if (lag < 0 || lag > 86400) throw std::invalid_argument("stream_lag must be 0 to 86400");
  }
  std::vector<Fault> faults;
  if (sc.contains("faults")) {
    if (!sc.at("faults").is_array()) throw std::invalid_argument("faults must be an array");
    for (const nlohmann::json& f : sc.at("faults")) faults.push_back(FaultFromJson(f));
  }
  clock_ = clock;
  utc_offset_ = offset;
  playlist_ = std::move(playlist);
  stream_lag_ = lag;
  if (sc.contains("faults")) {
    faults_.Clear();
    for (Fault& f : faults) faults_.Set(std::move(f));
  }
}

void SimState::SetFault(Fault f) {
  std::lock_guard lock(mutex_);
  faults_.Set(std::move(f));
}

void SimState::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.Clear();
}

std::optional<Fault> SimState::TakeFault(const std::string& path) {
  std::lock_guard lock(mutex_);
  return faults_.Take(path);
}

nlohmann::json SimState::ToJson(Steady::time_point now) const {
  std::lock_guard lock(mutex_);
  const double t = clock_.At(now);
  nlohmann::json songs = nlohmann::json::array();
  for (const Song& s : playlist_.songs()) songs.push_back(SongToJson(s));
  nlohmann::json faults = nlohmann::json::array();
  for (const Fault& f : faults_.List()) faults.push_back(FaultToJson(f));
  const auto slot_json = [&](std::optional<Slot> slot) -> nlohmann::json {
    if (!slot) return nullptr;
    return {{"index", slot->index},
            {"play", slot->play},
            {"title", playlist_.songs()[slot->index].title},
            {"started_at", FormatDateTime(slot->started)},
            {"ends_at", FormatDateTime(slot->ends)}};
  };
  const Snapshot snap{t, utc_offset_, playlist_, stream_lag_, clock_.speed()};
  return {{"station", kStationId},
          {"clock",
           {{"now", FormatDateTime(WholeSeconds(t))},
            {"offset", utc_offset_},
            {"speed", clock_.speed()}}},
          {"playlist_start", FormatDateTime(playlist_.start())},
          {"songs", songs},
          {"stream_lag", stream_lag_},
          {"faults", faults},
          {"on_air", slot_json(playlist_.At(WholeSeconds(t)))},
          {"heard", slot_json(HeardAt(snap, t))}};
}

std::optional<Slot> HeardAt(const Snapshot& s, double t) {
  return s.playlist.At(WholeSeconds(t) - s.stream_lag);
}

}  // namespace sim
