// Parsing of API answers and their extraction into the song record.
#include "station/api_json.h"

#include <cmath>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/unicode.h"
#include "station/http_get.h"

namespace sp {
namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::int64_t ClampToInt64(double d) {
  // 2^63 is exactly representable; anything at or beyond it would overflow the cast.
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (std::isnan(d)) return 0;
  if (d >= kTwoTo63) return std::numeric_limits<std::int64_t>::max();
  if (d <= -kTwoTo63) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(d);  // truncates toward zero
}

std::string AsciiLowered(std::string_view name) {
  std::string lowered(name);
  for (char& c : lowered) c = AsciiLower(c);
  return lowered;
}

// Builds the document from the parser's events, leaving out every member whose name
// only the case of ASCII letters tells from an earlier member of the same object.
class DocumentBuilder {
 public:
  explicit DocumentBuilder(JsonDocument& root) : root_(root) {}

  bool null() { return Put(nullptr); }
  bool boolean(bool value) { return Put(value); }
  bool number_integer(JsonDocument::number_integer_t value) { return Put(value); }
  bool number_unsigned(JsonDocument::number_unsigned_t value) { return Put(value); }
  bool number_float(JsonDocument::number_float_t value, const JsonDocument::string_t&) {
    return Put(value);
  }
  bool string(JsonDocument::string_t& value) { return Put(std::move(value)); }
  bool binary(JsonDocument::binary_t&) { return false; }  // JSON text holds none
  bool start_object(std::size_t) { return Open(JsonDocument::object()); }
  bool start_array(std::size_t) { return Open(JsonDocument::array()); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

  bool key(JsonDocument::string_t& name) {
    if (skipped_depth_ > 0) return true;
    Level& level = levels_.back();
    const auto [first, added] = level.spellings.try_emplace(AsciiLowered(name), name);
    member_ = added || first->second == name ? &(*level.container)[name] : nullptr;
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    return false;
  }

 private:
  struct Level {
    JsonDocument* container;
    // Lower-cased member name -> the spelling kept (objects only).
    std::unordered_map<std::string, std::string> spellings;
  };

  // Places a value where the parser is; nullptr when it belongs to a left-out member.
  JsonDocument* Place(JsonDocument&& value) {
    if (levels_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    JsonDocument& container = *levels_.back().container;
    if (container.is_array()) {
      container.push_back(std::move(value));
      return &container.back();
    }
    JsonDocument* member = std::exchange(member_, nullptr);
    if (member) *member = std::move(value);
    return member;
  }

  bool Put(JsonDocument&& value) {
    if (skipped_depth_ == 0) Place(std::move(value));
    return true;
  }

  bool Open(JsonDocument&& container) {
    if (skipped_depth_ > 0) {
      ++skipped_depth_;
    } else if (JsonDocument* placed = Place(std::move(container))) {
      levels_.push_back({placed, {}});
    } else {
      skipped_depth_ = 1;  // the value of a left-out member, read and dropped
    }
    return true;
  }

  bool Close() {
    if (skipped_depth_ > 0) {
      --skipped_depth_;
    } else {
      levels_.pop_back();
    }
    return true;
  }

  JsonDocument& root_;
  std::vector<Level> levels_;
  JsonDocument* member_ = nullptr;
  std::size_t skipped_depth_ = 0;
};

}  // namespace

std::optional<JsonDocument> ParseJsonText(std::string_view text) {
  // The parser would skip a byte-order mark silently; the API never sends one.
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") return std::nullopt;
  // The parser stops reading at a NUL and would accept whatever follows it. A raw
  // NUL can stand nowhere in a JSON text, so it fails the parse.
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  // The parser refuses ill-formed UTF-8 outright, so one stray byte in a member we
  // never read would cost the whole answer; such bytes become U+FFFD instead.
  const std::string valid = unicode::ToValidUtf8(text);
  JsonDocument doc;
  DocumentBuilder builder(doc);
  // Strict: only whitespace may follow the value. Comments are not JSON.
  if (!JsonDocument::sax_parse(valid.begin(), valid.end(), &builder,
                               nlohmann::json::input_format_t::json, /*strict=*/true,
                               /*ignore_comments=*/false))
    return std::nullopt;
  return doc;
}

std::optional<JsonDocument> GetJsonDocument(const std::string& url, int flags) {
  const std::optional<std::string> body = HttpGet(url, flags);
  if (!body) return std::nullopt;
  return ParseJsonText(*body);
}

const JsonDocument* FindMember(const JsonDocument& object, std::string_view name) {
  if (!object.is_object()) return nullptr;
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (SameNameIgnoringCase(it.key(), name)) return &it.value();
  }
  return nullptr;
}

std::string JsonText(const JsonDocument* value) {
  if (value == nullptr || !value->is_string()) return {};
  return value->get<std::string>();
}

std::int64_t JsonInteger(const JsonDocument* value) {
  if (value == nullptr) return 0;
  if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
  if (value->is_number_integer() && !value->is_number_unsigned()) {
    return value->get<std::int64_t>();
  }
  if (value->is_number_unsigned()) {
    const auto u = value->get<std::uint64_t>();
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return u > kMax ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(u);
  }
  if (value->is_number_float()) return ClampToInt64(value->get<double>());
  return 0;
}

void ExtractArtist(const JsonDocument& value, api_artist& record) {
  record.clear();
  if (!value.is_object()) return;
  record.name = JsonText(FindMember(value, "name"));
  record.laut_id = JsonInteger(FindMember(value, "laut_id"));
  record.url = JsonText(FindMember(value, "url"));
  record.laut_url = JsonText(FindMember(value, "laut_url"));
  record.image = JsonText(FindMember(value, "image"));
  record.thumb = JsonText(FindMember(value, "thumb"));
}

void ExtractCurrentSong(const JsonDocument& value, api_current_song& record) {
  record.clear();
  if (!value.is_object()) return;
  record.id = JsonInteger(FindMember(value, "id"));
  record.type = JsonText(FindMember(value, "type"));
  record.title = JsonText(FindMember(value, "title"));
  record.album = JsonText(FindMember(value, "album"));
  record.length = JsonInteger(FindMember(value, "length"));
  record.genre = JsonText(FindMember(value, "genre"));
  record.releaseyear = JsonInteger(FindMember(value, "releaseyear"));
  record.created_at = JsonText(FindMember(value, "created_at"));
  if (const JsonDocument* artist = FindMember(value, "artist"))
    ExtractArtist(*artist, record.artist);
  record.started_at = JsonText(FindMember(value, "started_at"));
  record.ends_at = JsonText(FindMember(value, "ends_at"));
}

}  // namespace sp
