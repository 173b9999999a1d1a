// Reading the station API's date texts into plain second counts.
#pragma once

#include <cstdint>
#include <string_view>

namespace sp {

// Whole seconds since 1970-01-01 00:00:00, counted from the date and time as
// written (no time-zone conversion). -1 means no time.
using TimeValue = std::int64_t;

inline constexpr TimeValue kNoTime = -1;

// "YYYY-MM-DD hh:mm:ss" in the first 19 characters; anything after them is
// ignored. Returns -1 for an empty, malformed or out-of-range text (before
// 1970 or after 2038-01-19 03:14:07).
TimeValue ParseApiTime(std::string_view text);

// Days from 1970-01-01 to the given date on the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);

}  // namespace sp
