// The preferences file's contents: reading AppData's fields from JSON text, and the
// fixed layout in which they are written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_data.h"

namespace sp {

// Deeper nesting is refused as not JSON; a preferences file is one level deep.
inline constexpr std::size_t kMaxPreferencesDepth = 256;

// The record as the text gives it: every field cleared, then each one filled from the
// member of the same name, matched without regard to ASCII case (the last match wins).
// A top-level value that is not an object fills nothing. Nothing when the text is not
// JSON: a byte-order mark, trailing text after the value, a NUL byte, invalid UTF-8 in
// a string, a number beyond double's range, or nesting deeper than kMaxPreferencesDepth.
std::optional<AppDataRecord> ParsePreferences(std::string_view text);

// UTF-8 without byte-order mark, CR LF line breaks, colons aligned, no final line break.
std::string FormatPreferences(const AppDataRecord& record);

// `text` in double quotes with the escapes of the preferences file.
std::string QuoteJsonText(std::string_view text);

}  // namespace sp
