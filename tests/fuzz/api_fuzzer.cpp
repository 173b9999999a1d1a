// libFuzzer target: arbitrary bytes as an answer of the station API, read the way the
// watcher reads both answers: as the "/time" body and as the current song's JSON.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/unicode.h"
#include "station/api_json.h"
#include "station/api_time.h"
#include "station/station_api.h"

namespace {

// A time the parser accepted must be in range and must read back the same from the
// C library's own rendering of it.
void CheckTime(sp::TimeValue t) {
  if (t == sp::kNoTime) return;
  if (t < 0 || t > 2147483647) std::abort();
  const std::time_t value = static_cast<std::time_t>(t);
  std::tm parts{};
  char text[32];
  if (!gmtime_r(&value, &parts) ||
      std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts) != 19)
    std::abort();
  if (sp::ParseApiTime(text) != t) std::abort();
}

// Everything the record hands on (panel, cover words, caption) must be UTF-8.
void CheckText(const std::string& text) {
  if (sp::unicode::ToValidUtf8(text) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sp;
  const std::string body(reinterpret_cast<const char*>(data), size);

  // GetServerTime on this body.
  CheckTime(ParseApiTime(ServerTimeText(body)));

  // FetchCurrentSong on this body, then what the watcher does with the record.
  const std::optional<JsonDocument> doc = ParseJsonText(body);
  if (!doc) return 0;
  api_current_song song;
  ExtractCurrentSong(*doc, song);
  for (const std::string* text :
       {&song.type, &song.title, &song.album, &song.genre, &song.created_at, &song.started_at,
        &song.ends_at, &song.artist.name, &song.artist.url, &song.artist.laut_url,
        &song.artist.image, &song.artist.thumb})
    CheckText(*text);
  CheckTime(ParseApiTime(song.started_at));
  CheckTime(ParseApiTime(song.ends_at));
  return 0;
}
