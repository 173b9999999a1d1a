// The station's playlist: songs that follow each other for ever from a start time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim_time.h"

namespace sim {

struct Song {
  std::string title;
  std::string artist;
  std::string album;
  std::int64_t length = 180;  // seconds, at least 1
  std::string genre = "Drum and Bass";
  std::int64_t releaseyear = 2024;
  int tone = -1;  // index into the tone set; -1: the song's place in the list
};

// One play of a song: which song, the how-manieth play since the playlist's
// start (negative before it), and its start and end on the wall clock.
struct Slot {
  std::size_t index = 0;
  std::int64_t play = 0;
  WallSeconds started = 0;
  WallSeconds ends = 0;
};

class Playlist {
 public:
  Playlist() = default;
  Playlist(std::vector<Song> songs, WallSeconds start) : songs_(std::move(songs)), start_(start) {}

  // The song on air at wall-clock second t; nullopt for an empty list.
  std::optional<Slot> At(WallSeconds t) const;

  const std::vector<Song>& songs() const { return songs_; }
  WallSeconds start() const { return start_; }

 private:
  std::vector<Song> songs_;
  WallSeconds start_ = 0;
};

// Reads one song of a scenario; throws std::invalid_argument on a bad member.
Song SongFromJson(const nlohmann::json& j);
nlohmann::json SongToJson(const Song& song);

// The current_song answer of the API for one play of a song.
nlohmann::json CurrentSongJson(const Song& song, const Slot& slot, const std::string& utc_offset);

// The songs the simulator plays unless a scenario says otherwise.
std::vector<Song> DefaultSongs();

}  // namespace sim
