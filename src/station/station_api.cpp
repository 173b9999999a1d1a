// FetchCurrentSong and GetServerTime over HttpGet, and the API base URL.
#include "station/station_api.h"

#include <algorithm>
#include <mutex>

#include "build_config.h"
#include "station/api_json.h"
#include "station/http_get.h"

namespace sp {
namespace {

std::mutex base_mutex;
std::string& BaseUrl() {
  static std::string base = config::kStationApiBase;
  return base;
}

}  // namespace

std::string StationApiBase() {
  std::lock_guard lock(base_mutex);
  return BaseUrl();
}

void SetStationApiBase(const std::string& base) {
  std::lock_guard lock(base_mutex);
  BaseUrl() = base;
}

bool FetchCurrentSong(const std::string& station, api_current_song& record) {
  const std::string url = StationApiBase() + "/station/" + station + "/current_song";
  const std::optional<JsonDocument> doc = GetJsonDocument(url, 0);
  if (!doc) return false;
  ExtractCurrentSong(*doc, record);
  return true;
}

std::string ServerTimeText(const std::string& body) {
  std::string text = body.substr(0, body.find('\0'));
  std::erase(text, '"');
  return text;
}

TimeValue GetServerTime() {
  const std::optional<std::string> body = HttpGet(StationApiBase() + "/time", HttpNoRedirect);
  return ParseApiTime(body ? ServerTimeText(*body) : std::string());
}

}  // namespace sp
