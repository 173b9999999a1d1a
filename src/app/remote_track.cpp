#include "app/remote_track.h"

#include <algorithm>
#include <cmath>

#include "covers/percent_encode.h"
#include "station/api_time.h"

namespace sp {

remote::Track BuildRemoteTrack(const api_current_song& song, std::uint64_t serial) {
  remote::Track track;
  if (song.artist.name.empty() && song.title.empty() && song.album.empty()) return track;
  track.serial = serial;
  track.title = song.title;
  if (!song.artist.name.empty()) track.artists.push_back(song.artist.name);
  track.album = song.album;
  track.length_us = SongLengthUs(song);
  return track;
}

std::optional<std::int64_t> SongLengthUs(const api_current_song& song) {
  const TimeValue start = ParseApiTime(song.started_at), end = ParseApiTime(song.ends_at);
  if (start == kNoTime || end == kNoTime || end <= start) return std::nullopt;
  return (end - start) * 1'000'000;
}

std::int64_t SongPositionUs(std::optional<std::int64_t> length_us,
                            std::optional<std::int64_t> countdown_s, double since_countdown_s) {
  if (!length_us || !countdown_s) return 0;
  const double left_us = (double(*countdown_s) - std::max(0.0, since_countdown_s)) * 1e6;
  const std::int64_t position = *length_us - std::int64_t(std::llround(left_us));
  return std::clamp(position, std::int64_t{0}, *length_us);
}

std::string FileUrl(std::string_view absolute_path) {
  // Only unreserved characters and the separators pass, so any path is a valid URL.
  const auto keep = [](unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
           b == '-' || b == '.' || b == '_' || b == '~' || b == '/';
  };
  return "file://" + PercentEncodeExcept(absolute_path, keep);
}

}  // namespace sp
