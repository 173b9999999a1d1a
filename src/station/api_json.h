// JSON answers of the station API and the rules by which they fill a song record.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "station/api_records.h"

namespace sp {

// Objects are sorted maps, so an answer with very many members costs n log n to
// read, not n squared.
using JsonDocument = nlohmann::json;

// Parses one whole JSON text: whitespace may surround the value; a byte-order
// mark, anything else after the value (a NUL included) or an empty text fail.
// Ill-formed UTF-8 is read as U+FFFD. Of two member names of one object that
// differ only in the case of ASCII letters the later one is left out, so a
// case-insensitive look-up takes the first spelling; a repeat of the same
// spelling replaces the earlier value.
std::optional<JsonDocument> ParseJsonText(std::string_view text);

// HttpGet (url, flags) parsed by ParseJsonText; nullopt when either fails.
std::optional<JsonDocument> GetJsonDocument(const std::string& url, int flags);

// The first member of `object` whose name equals `name` ignoring the case of
// ASCII letters; null when `object` is no object or has no such member.
const JsonDocument* FindMember(const JsonDocument& object, std::string_view name);

// Field rules: a text takes only a JSON string; an integer takes a number cut
// toward zero (clamped to the 64-bit range), true as 1, anything else 0.
std::string JsonText(const JsonDocument* value);
std::int64_t JsonInteger(const JsonDocument* value);

// Clears `record`, then fills it from `value` if that is an object.
void ExtractArtist(const JsonDocument& value, api_artist& record);
void ExtractCurrentSong(const JsonDocument& value, api_current_song& record);

}  // namespace sp
