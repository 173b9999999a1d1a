// The song record the station API fills: the song on air and its artist.
#pragma once

#include <cstdint>
#include <string>

namespace sp {

// Field names are the API's member names; texts are UTF-8.
struct api_artist {
  std::string name;
  std::int64_t laut_id = 0;
  std::string url;
  std::string laut_url;
  std::string image;
  std::string thumb;

  // Every text empty, every number 0.
  void clear() { *this = api_artist{}; }
  bool operator==(const api_artist&) const = default;
};

struct api_current_song {
  std::int64_t id = 0;
  std::string type;
  std::string title;
  std::string album;
  std::int64_t length = 0;
  std::string genre;
  std::int64_t releaseyear = 0;
  std::string created_at;
  api_artist artist;
  std::string started_at;  // API date text
  std::string ends_at;     // API date text

  // Clears the embedded artist too. Copying is the ordinary (deep) value copy.
  void clear() { *this = api_current_song{}; }
  bool operator==(const api_current_song&) const = default;
};

}  // namespace sp
