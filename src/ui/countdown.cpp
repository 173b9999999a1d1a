#include "ui/countdown.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace sp {

std::string FormatCountdown(std::int64_t seconds) {
  const std::int64_t total_minutes = seconds / 60;
  const std::int64_t s = seconds - 60 * total_minutes;
  const std::int64_t h = total_minutes / 60;
  const std::int64_t m = total_minutes - 60 * h;
  char buf[64];
  if (h > 0) {
    std::snprintf(buf, sizeof buf, "%lld : %02lld : %02lld", static_cast<long long>(h),
                  static_cast<long long>(m), static_cast<long long>(s));
  } else {
    std::snprintf(buf, sizeof buf, "%02lld : %02lld", static_cast<long long>(m),
                  static_cast<long long>(s));
  }
  return buf;
}

std::optional<std::int64_t> ParseCountdown(std::string_view text) {
  std::vector<std::int64_t> fields;
  for (;;) {
    const std::size_t end = std::min(text.find(" : "), text.size());
    const std::string_view field = text.substr(0, end);
    // Hours are unbounded in the text, but no song lasts a million years.
    if (field.empty() || field.size() > 10) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : field) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    fields.push_back(value);
    if (end == text.size()) break;
    text.remove_prefix(end + 3);
  }
  if (fields.size() == 2 && fields[1] < 60) return fields[0] * 60 + fields[1];
  if (fields.size() == 3 && fields[1] < 60 && fields[2] < 60)
    return (fields[0] * 60 + fields[1]) * 60 + fields[2];
  return std::nullopt;
}

}  // namespace sp
