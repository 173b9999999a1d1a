// Playlist turnover and the API's view of the song on air.
#include "playlist.h"

#include <stdexcept>

namespace sim {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

std::string Slug(const std::string& text) {
  std::string out;
  for (char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      out += c;
    } else if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c - 'A' + 'a');
    } else if (!out.empty() && out.back() != '-') {
      out += '-';
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.empty() ? "artist" : out;
}

std::string TextMember(const nlohmann::json& j, const char* name, std::string fallback) {
  if (!j.contains(name)) return fallback;
  if (!j[name].is_string()) throw std::invalid_argument(std::string(name) + " must be a string");
  return j[name].get<std::string>();
}

std::int64_t IntMember(const nlohmann::json& j, const char* name, std::int64_t fallback) {
  if (!j.contains(name)) return fallback;
  if (!j[name].is_number_integer()) {
    throw std::invalid_argument(std::string(name) + " must be an integer");
  }
  return j[name].get<std::int64_t>();
}

}  // namespace

std::optional<Slot> Playlist::At(WallSeconds t) const {
  if (songs_.empty()) return std::nullopt;
  std::int64_t cycle = 0;
  for (const Song& s : songs_) cycle += s.length;
  const std::int64_t round = FloorDiv(t - start_, cycle);
  std::int64_t offset = (t - start_) - round * cycle;  // 0 <= offset < cycle
  WallSeconds begin = start_ + round * cycle;
  for (std::size_t i = 0; i < songs_.size(); ++i) {
    if (offset < songs_[i].length) {
      const auto n = static_cast<std::int64_t>(songs_.size());
      return Slot{i, round * n + static_cast<std::int64_t>(i), begin, begin + songs_[i].length};
    }
    offset -= songs_[i].length;
    begin += songs_[i].length;
  }
  return std::nullopt;  // not reached: offset < cycle
}

Song SongFromJson(const nlohmann::json& j) {
  if (!j.is_object()) throw std::invalid_argument("a song must be an object");
  Song s;
  s.title = TextMember(j, "title", "");
  s.artist = TextMember(j, "artist", "");
  s.album = TextMember(j, "album", "");
  s.genre = TextMember(j, "genre", s.genre);
  s.length = IntMember(j, "length", s.length);
  s.releaseyear = IntMember(j, "releaseyear", s.releaseyear);
  s.tone = static_cast<int>(IntMember(j, "tone", -1));
  // A day at most keeps the cycle arithmetic far from overflow.
  if (s.length < 1 || s.length > 86400) {
    throw std::invalid_argument("length must be 1 to 86400 seconds");
  }
  if (s.tone < -1 || s.tone > 1000) throw std::invalid_argument("tone out of range");
  return s;
}

nlohmann::json SongToJson(const Song& s) {
  return {{"title", s.title},   {"artist", s.artist}, {"album", s.album},
          {"length", s.length}, {"genre", s.genre},   {"releaseyear", s.releaseyear},
          {"tone", s.tone}};
}

nlohmann::json CurrentSongJson(const Song& song, const Slot& slot, const std::string& utc_offset) {
  const std::string slug = Slug(song.artist);
  const auto artist_id = static_cast<std::int64_t>(4100 + slot.index);
  return {
      {"id", 9000000 + slot.play},
      {"type", "song"},
      {"title", song.title},
      {"album", song.album},
      {"length", song.length},
      {"genre", song.genre},
      {"releaseyear", song.releaseyear},
      {"created_at", "2023-03-14 09:26:53 " + utc_offset},
      {"artist",
       {{"name", song.artist},
        {"laut_id", artist_id},
        {"url", "http://" + slug + ".example"},
        {"laut_url", "http://127.0.0.1/artist/" + slug},
        {"image",
         "http://127.0.0.1/images/artist/" + std::to_string(artist_id) + "-" + slug + ".jpg"},
        {"thumb", "http://127.0.0.1/images/artist/" + std::to_string(artist_id) + "-" + slug +
                      "_thumb.jpg"}}},
      {"started_at", FormatDateTime(slot.started) + " " + utc_offset},
      {"ends_at", FormatDateTime(slot.ends) + " " + utc_offset},
  };
}

std::vector<Song> DefaultSongs() {
  // Invented names. The first six have covers among the generated ones; the last
  // two match no cover, so the one before stays on show.
  return {
      {"Low Tide Roller", "Kelp Circuit", "Night Harbour", 196, "Drum and Bass", 2021, -1},
      {"Café Sunrise", "Lumière Break", "Côte Liquid", 174, "Liquid Funk", 2019, -1},
      {"Full Pressure", "Marrow & Sine", "100% Jungle", 205, "Jungle", 2022, -1},
      {"Glasshouse Amen", "Static Gardens", "Greenhouse Sessions", 188, "Drum and Bass", 2020, -1},
      {"Tidal Reese", "Harbourline", "Deep Water Frequencies", 221, "Neurofunk", 2023, -1},
      {"Orbit Steppers", "Nova Halyard", "Starboard Dubs", 163, "Halftime", 2024, -1},
      {"Quayside Skank", "Undertow Unit", "Brine Dubplates", 182, "Jump Up", 2018, -1},
      {"Sextant Roll", "Fathom Theory", "Slack Water", 199, "Minimal", 2022, -1},
  };
}

}  // namespace sim
